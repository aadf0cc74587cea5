#include "platform/ControlIds.h"

#include <QVariant>
#include <QWidget>

namespace {

const char kControlIdProperty[] = "controlId";

} // namespace

void SetControlId(QWidget* widget, int id) {
    if (widget)
        widget->setProperty(kControlIdProperty, id);
}

int GetControlId(const QObject* widget, int fallback) {
    if (!widget)
        return fallback;
    const QVariant id = widget->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : fallback;
}

QWidget* FindControl(const QWidget* root, int id) {
    if (!root)
        return nullptr;
    for (QWidget* child : root->findChildren<QWidget*>()) {
        const QVariant value = child->property(kControlIdProperty);
        if (value.isValid() && value.toInt() == id)
            return child;
    }
    return nullptr;
}
