#pragma once
// The talk-table editors' edit window: the three texts of one row, with a preview laid out as the
// balloon shows them. It opens for one add or one change and closes on 実　行 or キャンセル; its
// closing lists the table anew in the list window.
//
// When it opens it takes the table, the mode and the row from the list window's shared state and
// keeps them, so that its write lands in the row it was opened on whatever the list window does in
// the meantime. A write the database refuses is said in a message box and the window stays open, so
// the texts typed are not lost.
#include "app/talk/balloon_label.h"
#include "app/talk/heart_db.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QWidget>
#include <array>
#include <optional>

class dokoitu_02 : public QWidget {
    Q_OBJECT
public:
    explicit dokoitu_02(QWidget* parent = nullptr);

    // Shows the default instance, creating and loading it on first use. An edit window already open
    // is brought to the front as it is: it keeps the row it was opened on.
    static dokoitu_02* Show();
    // The default instance while it is loaded (shown and not yet closed), else nothing.
    static dokoitu_02* Instance() { return instance_; }

    // Controls, named as the window's design names them.
    std::array<QLineEdit*, 3> Text1;
    balloon::Label* Label1; // the balloon's own text label, at its place in the balloon picture
    QLabel* Image2;
    QStatusBar* StatusBar1;
    std::array<QPushButton*, 3> Command1;

    enum class Update { stored, refused, failed };
    // Stores the three texts as a new row or into the row the window was opened on. refused: all
    // three are empty (said, nothing stored); failed: the database did not take them (said).
    Update data_update();

    void Form_Load();
    void Command1_Click(int index);
    void Form_Unload();

    // What the window was opened for.
    std::optional<heart::Table> Table() const { return table_; }
    bool Adding() const { return adding_; }
    int Id() const { return id_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::optional<heart::Table> table_;
    bool adding_ = true;
    int id_ = 0;

    inline static QPointer<dokoitu_02> instance_;
};
