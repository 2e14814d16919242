#pragma once
// The talk-table editors' list window: the rows of one of the four tables the random talk draws
// from, with add, change and delete. The user's own table User_Table takes adds, changes and
// deletes; the shipped tables otaku, otaku2 and flower take changes only. The first row of the list
// (the lowest id) is neither changed nor deleted.
//
// Every listing and every write opens its own connection to the dialogue database, with the texts
// as bound parameters. A listing that cannot reach the database says why in the status bar and
// shows no rows; a write that fails says why in a message box.
//
// The edit window dokoitu_02 takes the row to edit from the shared state below when it opens and
// keeps its own copy: what the list window does afterwards never moves its write to another row or
// table.
#include "app/talk/heart_db.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QString>
#include <QTreeWidget>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <span>

namespace dokoitu {

// The table shown and edited, by its name in the database.
inline QString EditTable = QStringLiteral("User_Table");
// "0" adds a row, "1" changes the chosen one.
inline QString EditMode = QStringLiteral("0");
// The chosen row of a change: its 1-based position in the list and its id.
inline qint16 EditRow = 0;
inline int EditId = 0;
// WORD1 to WORD3 handed to the edit window, and the texts of its preview.
inline std::array<QString, 3> EditWords;

// The editors' message boxes: an exclamation with OK, or a question with OK and Cancel. Answers
// whether OK was chosen. Tests replace it; empty means a real message box.
enum class Icon { exclamation, question };
inline std::function<bool(QWidget* parent, Icon icon, const QString& text)> MessageBox;
bool Message(QWidget* parent, Icon icon, const QString& text);

// The table a chooser text stands for ("ユーザーデータ", "毒舌1", "毒舌2", "花言葉"), and back.
std::optional<heart::Table> TableFor(const QString& chooserText);
QString ChooserText(heart::Table table);
// Only the user's own table grows and shrinks; the shipped ones keep their ids for the random talk.
bool TakesAddsAndDeletes(heart::Table table);
// The text of a database failure, for the status bar or a message box.
QString DatabaseFailure(const QString& error);
// The failure of a write to the row with that id: the database's error, or that the row is gone.
QString WriteFailure(heart::Connection& db, heart::Table table, int id);

// Shows an editor's default instance, creating it on first use (it deletes itself when closed).
template <class Editor>
Editor* ShowDefault(QPointer<Editor>& instance) {
    if (!instance)
        instance = new Editor;
    instance->show();
    instance->raise();
    instance->activateWindow();
    return instance;
}
// A closing editor is unloaded from here on, though Qt deletes it a little later: the next Show()
// loads a new one.
template <class Editor>
void Forget(QPointer<Editor>& instance, const Editor* closing) {
    if (instance == closing)
        instance = nullptr;
}

// The editor's row of buttons, one a caption, named Command1_0 onwards; a click on button i calls
// clicked(i).
QHBoxLayout* ButtonRow(QWidget* editor, std::span<QPushButton*> buttons, std::span<const char* const> captions,
                       const std::function<void(int)>& clicked);
// The editor's status bar, without a size grip.
QStatusBar* StatusBar(QWidget* editor);

} // namespace dokoitu

class dokoitu_01 : public QWidget {
    Q_OBJECT
public:
    explicit dokoitu_01(QWidget* parent = nullptr);

    // Shows the default instance, creating and loading it on first use; closing it unloads it.
    static dokoitu_01* Show();
    // The default instance while it is loaded (shown and not yet closed), else nothing.
    static dokoitu_01* Instance() { return instance_; }

    // Controls, named as the window's design names them.
    QComboBox* Combo1;
    QPushButton* Command2;
    QTreeWidget* ListView1;
    QStatusBar* StatusBar1;
    std::array<QPushButton*, 5> Command1;

    // Lists dokoitu::EditTable anew and sets the buttons for it.
    void make_view();
    // Hands the chosen row to the edit window.
    void change();
    // Deletes the chosen row after asking.
    void del_data();

    void Form_Load();
    void Command1_Click(int index);
    void Command2_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The 1-based list position of the first selected row, or nothing.
    std::optional<int> chosenRow() const;

    inline static QPointer<dokoitu_01> instance_;
};
