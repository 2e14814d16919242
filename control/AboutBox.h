#pragma once
// The control's About box ("About Brindok Control": its icon, its name and version, the year, an
// OK button) and the control's picture, drawn here so the library needs no image files.
#include <QDialog>
#include <QPixmap>

namespace brindok {

// The control's icon at size x size pixels (32 and 16 are the sizes it is shown at).
QPixmap controlIcon(int size);

} // namespace brindok

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
