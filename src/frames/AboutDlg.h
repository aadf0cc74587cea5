// CAboutDlg: the About box. The program's icon, its version and a line on what it is, and
// OK (the default button, control IDOK). Modal through RunModal (Prompts.h); GUI thread only.
#pragma once

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
