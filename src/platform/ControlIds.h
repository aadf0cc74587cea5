// Control ids: the number a form gives each of its controls, by which commands and tests
// find the control again whatever layout placed it.
#pragma once

class QObject;
class QWidget;

// Gives `widget` the control id `id`.
void SetControlId(QWidget* widget, int id);
// The id a control widget was given; `fallback` for any other widget.
int GetControlId(const QObject* widget, int fallback = 0);
// The first widget with control id `id` under `root` (any depth), or null.
QWidget* FindControl(const QWidget* root, int id);
// The same, as a `T` (null when it is none).
template <class T> T* FindControl(const QWidget* root, int id) {
    return qobject_cast<T*>(FindControl(root, id));
}
