#include "ui/AccessibleUnit.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

namespace tarrow {

namespace {

const char* const ButtonProperty = "tarrowAccessibleButton";

class TLabelButtonAccessible final : public QAccessibleWidget {
public:
    explicit TLabelButtonAccessible(QLabel* ALabel)
        : QAccessibleWidget(ALabel, QAccessible::Button) {}

    QString text(QAccessible::Text AText) const override {
        if (AText == QAccessible::Name)
            return static_cast<const QLabel*>(widget())->accessibleName();
        return QAccessibleWidget::text(AText);
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& AAction) override {
        if (AAction == pressAction() && widget()->isEnabled())
            Q_EMIT static_cast<QLabel*>(widget())->linkActivated(QStringLiteral("#"));
    }
};

QAccessibleInterface* LabelButtonFactory(const QString&, QObject* AObject) {
    auto* label = qobject_cast<QLabel*>(AObject);

    if (label && label->property(ButtonProperty).toBool())
        return new TLabelButtonAccessible(label);
    return nullptr;
}

} // namespace

void ExposeAsButton(QLabel* ALabel) {
    // Installing the same factory again changes nothing.
    QAccessible::installFactory(LabelButtonFactory);
    ALabel->setProperty(ButtonProperty, true);
    // The label may already be known as text (setting its text announces it): known afresh.
    if (QAccessibleInterface* known = QAccessible::queryAccessibleInterface(ALabel))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(known));
}

} // namespace tarrow
