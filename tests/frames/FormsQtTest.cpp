// The forms built with layouts: their controls keep their ids and tab order, and at the
// default font and at 16 points every control shows whole inside its form. With
// QUORVIX_SHOTS set to a folder, each form is saved there as NAME-FONT.png to be looked at.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>

#include "commands/FindDlg.h"
#include "commands/OptionsDlg.h"
#include "frames/AboutDlg.h"
#include "frames/MarksView.h"
#include "loader/ProgressDlg.h"
#include "platform/ControlIds.h"
#include "platform/ListBox.h"
#include "platform/Prompts.h"
#include "res/FrameResources.h"
#include "res/Resources.h"
#include "support/FakeCommandHost.h"

namespace {

// The control ids along the focus chain of `form`, from its first widget round to itself.
std::vector<int> TabOrder(QWidget& form) {
    std::vector<int> ids;
    for (QWidget* widget = form.nextInFocusChain(); widget && widget != &form;
         widget = widget->nextInFocusChain()) {
        if (const int id = GetControlId(widget); id != 0)
            ids.push_back(id);
    }
    return ids;
}

// Every shown control of `form` lies inside it, has at least the size it asks for (a list
// or a bar takes what it is given) and covers no other control.
void ExpectNothingCutOff(QWidget& form, const QString& name) {
    SCOPED_TRACE(name.toStdString());
    form.show();
    form.layout()->activate();
    QApplication::processEvents();
    std::vector<QRect> places;
    for (QWidget* control : form.findChildren<QWidget*>()) {
        const bool leaf = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLabel*>(control) ||
                          qobject_cast<QProgressBar*>(control) || qobject_cast<CListBox*>(control);
        if (!leaf || !control->isVisible())
            continue;
        const QRect place(control->mapTo(&form, QPoint(0, 0)), control->size());
        EXPECT_TRUE(form.rect().contains(place)) << GetControlId(control);
        if (qobject_cast<QAbstractButton*>(control) || qobject_cast<QLabel*>(control)) {
            EXPECT_GE(place.width(), control->sizeHint().width()) << GetControlId(control);
            EXPECT_GE(place.height(), control->sizeHint().height()) << GetControlId(control);
        }
        for (const QRect& other : places)
            EXPECT_FALSE(place.intersects(other)) << GetControlId(control);
        places.push_back(place);
    }
    const QString folder = qEnvironmentVariable("QUORVIX_SHOTS");
    if (!folder.isEmpty())
        form.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
}

} // namespace

TEST(Forms, KeepTheirIdsTabOrderAndDefaultButtons) {
    LevelFilterTable filter{};
    COptionsDlg options(filter, false);
    std::vector<int> expected = {IDOK, IDCANCEL};
    expected.insert(expected.end(), COptionsDlg::kCheckIds.begin(), COptionsDlg::kCheckIds.end());
    EXPECT_EQ(TabOrder(options), expected);
    EXPECT_TRUE(FindControl<QPushButton>(&options, IDOK)->isDefault());
    EXPECT_EQ(FindControl<QAbstractButton>(&options, IDC_OPTIONS_LEVEL0)->text(), "Raw");

    FakeCommandHost host;
    CFindDlg find(host);
    EXPECT_EQ(TabOrder(find), (std::vector<int>{IDC_FIND_WHAT, IDOK, IDCANCEL, IDC_BOOKMARK_FOUND,
                                                IDC_FIND_MATCH_CASE, IDC_FIND_WHOLE_WORD, IDC_FIND_REGEX}));
    EXPECT_TRUE(FindControl<QPushButton>(&find, IDOK)->isDefault());

    CAboutDlg about;
    EXPECT_EQ(TabOrder(about), std::vector<int>{IDOK});
    EXPECT_TRUE(FindControl<QPushButton>(&about, IDOK)->isDefault());

    CQuorvixMarksView marks;
    EXPECT_EQ(TabOrder(marks),
              (std::vector<int>{IDC_MARKS_LIST, IDC_MARKS_REFRESH, IDC_MARKS_COPY, IDC_MARKS_REMOVE,
                                IDC_MARKS_INSERT_BREAK, IDC_MARKS_DELETE_BREAK}));
}

TEST(Forms, ShowEveryControlWholeAtTheDefaultFontAndAt16Points) {
    const QFont saved = QApplication::font();
    QFont large = saved;
    large.setPointSize(16);
    for (const auto& [font, suffix] : {std::pair{saved, "default"}, std::pair{large, "16pt"}}) {
        QApplication::setFont(font);
        LevelTypeTable levels{};
        levels[0].name = "ERROR";
        levels[1].name = "A rather long level name";
        LevelFilterTable filter{};
        COptionsDlg options(filter, false, nullptr, levels);
        ExpectNothingCutOff(options, QStringLiteral("options-%1").arg(suffix));
        FakeCommandHost host;
        CFindDlg find(host);
        ExpectNothingCutOff(find, QStringLiteral("find-%1").arg(suffix));
        CAboutDlg about;
        ExpectNothingCutOff(about, QStringLiteral("about-%1").arg(suffix));
        CProgressDlg progress;
        progress.setWindowModality(Qt::NonModal);
        ExpectNothingCutOff(progress, QStringLiteral("progress-%1").arg(suffix));

        // The marks pane as wide as a log window makes it, and wider: below the buttons, in
        // the columns that fit, the list fills the rest.
        for (const int width : {200, 640}) {
            QWidget window;
            auto* marks = new CQuorvixMarksView(&window);
            // A splitter gives the pane no less than it asks for.
            marks->setGeometry(0, 0, std::max(width, marks->minimumSizeHint().width()), 400);
            window.resize(marks->size());
            window.show();
            ExpectNothingCutOff(*marks, QStringLiteral("marks-%1-%2").arg(width).arg(suffix));
            const QRect list = marks->BookmarkList().geometry();
            EXPECT_EQ(list.bottom(), marks->height() - 1);
            EXPECT_EQ(list.width(), marks->width());
            for (const int id : {IDC_MARKS_REFRESH, IDC_MARKS_REMOVE, IDC_MARKS_COPY, IDC_MARKS_INSERT_BREAK,
                                 IDC_MARKS_DELETE_BREAK})
                EXPECT_LT(FindControl(marks, id)->geometry().bottom(), list.top());
            if (width == 640 && font == saved) {
                EXPECT_EQ(FindControl(marks, IDC_MARKS_COPY)->y(),
                          FindControl(marks, IDC_MARKS_REFRESH)->y());
            }
        }
    }
    QApplication::setFont(saved);
}
