#pragma once
// "ヘッドライン更新中": the progress of an update of all sites. It names the site being worked on,
// shows how many passes are done out of the table's rows, and offers "中　　止", which asks the run to
// stop at the start of its next pass. It does no headline work itself: it reads hls's site_count,
// progress and site_name every 100 ms and sets its stop_flag. hls shows it and unloads it when the
// run has ended.
#include "platform/timer.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class hls;

class sinCH : public QWidget {
public:
    explicit sinCH(hls* owner);

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    platform::Timer Timer1{this, 100};
    QPushButton* Command1 = nullptr; // "中　　止"

    void Form_Load();
    void Timer1_Timer();
    void Command1_Click();

private:
    hls* owner_;
};
