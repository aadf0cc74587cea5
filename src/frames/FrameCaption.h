// The main frame's caption: the program's name, and the active log's after it.
//
// Qt's MDI area writes the caption itself while a log window is maximized and its buttons
// stand in the menu bar: "Quorvix - [a.log]", and back to the caption it remembered once
// the window is restored. CMdiCaptionStyle gives Qt's two texts for that (which it takes
// through its translations) the form of the frame's own caption, so Qt's writing and the
// frame's agree: while the caption already names the window, Qt leaves it alone, and a
// caption the frame sets is never rewritten into another.
//
// GUI thread only.
#pragma once

#include <QString>
#include <QTranslator>

// "Quorvix - NAME" for the active log window's title NAME; "Quorvix" without one.
QString MainFrameCaption(const QString& activeTitle);

class CMdiCaptionStyle : public QTranslator {
    Q_OBJECT

public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }
};
