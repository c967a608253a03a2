#pragma once

#include <QComboBox>
#include <functional>

namespace tarrow {

// The group filter's drop-down list: not editable; AOnDropDown runs each time the list is opened,
// before it is shown, so the items can be filled anew.
class TGroupComboBox final : public QComboBox {
public:
    explicit TGroupComboBox(QWidget* AParent = nullptr) : QComboBox(AParent) {}
    void SetOnDropDown(std::function<void()> AOnDropDown) { FOnDropDown = std::move(AOnDropDown); }
    void showPopup() override {
        if (FOnDropDown)
            FOnDropDown();
        QComboBox::showPopup();
    }

private:
    std::function<void()> FOnDropDown;
};

} // namespace tarrow
