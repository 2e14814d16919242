#pragma once
// "更新中": shown while one site is updated. It names the site and offers "キャンセル", which ends
// the update at once (the fetch abandoned, the plug-in's runner killed, nothing stored), gives hls
// its buttons back and closes.
#include <QWidget>

class QLabel;
class QPushButton;
class hls;

class hiCH : public QWidget {
public:
    explicit hiCH(hls* owner);

    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr; // "キャンセル"

    void Form_Load();
    void Command1_Click();

private:
    hls* owner_;
};
