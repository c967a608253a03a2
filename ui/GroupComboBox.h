#pragma once

#include <QComboBox>
#include <QWheelEvent>
#include <functional>

namespace tarrow {

// The group filter's drop-down list: not editable; AOnDropDown runs each time the list is opened,
// before it is shown, so the items can be filled anew.
class TGroupComboBox final : public QComboBox {
public:
    explicit TGroupComboBox(QWidget* AParent = nullptr) : QComboBox(AParent) {
        // The wheel never lands here by accident: a click or Tab gives the focus.
        setFocusPolicy(Qt::StrongFocus);
    }
    void SetOnDropDown(std::function<void()> AOnDropDown) { FOnDropDown = std::move(AOnDropDown); }
    void showPopup() override {
        if (FOnDropDown)
            FOnDropDown();
        QComboBox::showPopup();
    }

protected:
    // Scrolling the page over the closed list never changes the filter; an open list scrolls
    // its own items.
    void wheelEvent(QWheelEvent* AEvent) override { AEvent->ignore(); }

private:
    std::function<void()> FOnDropDown;
};

} // namespace tarrow
