#include "frames/FrameCaption.h"

#include <cstring>

#include "res/Strings.h"

QString MainFrameCaption(const QString& activeTitle) {
    const QString name = QString::fromUtf8(res::kMainCaption);
    return activeTitle.isEmpty() ? name : name + QStringLiteral(" - ") + activeTitle;
}

QString CMdiCaptionStyle::translate(const char* context, const char* sourceText, const char*, int) const {
    if (!context || !sourceText || std::strcmp(context, "QMdiSubWindow") != 0)
        return {};
    // The caption of the frame while a window is maximized, and the part Qt looks for to
    // see whether the caption names that window already.
    if (std::strcmp(sourceText, "%1 - [%2]") == 0)
        return QStringLiteral("%1 - %2");
    if (std::strcmp(sourceText, "- [%1]") == 0)
        return QStringLiteral("- %1");
    return {};
}
