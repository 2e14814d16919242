#pragma once
// The compose window "メールを送る": a reply to the message selected in the mail list. Loading it
// fills in that message's sender and "Re:" with its subject (empty boxes when nothing is selected or
// no list is open); "やめる" only hides it, so the texts stay for the next "返信する". "送信" checks
// that sending is set up and that no box is empty, then sends (mail::SendMail); only a mail the
// server took closes the window: after a failure the texts stay for another try. GUI thread only.
#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class sendF : public QWidget {
public:
    // Loads the window when it is not loaded (with the prefill) and shows it.
    static void Show();
    // The loaded window, or null.
    static sendF* Instance();
    static void Unload();

    QPushButton* Command1 = nullptr; // "送信"
    QPushButton* Command2 = nullptr; // "やめる"
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* sendaddress = nullptr;
    QLineEdit* sendtitle = nullptr;
    QPlainTextEdit* sendbody = nullptr;

    void Command1_Click();
    void Command2_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    sendF();
    ~sendF() override;
    void Form_Load();
};
