#include "luncher.h"

#include "app/settings/IniManage.h"
#include "app/settings/settings_keys.h"
#include "app/shapes/outlines.h"
#include "app/state/flag.h"
#include "app/talk/balloon_layout.h"
#include "app/talk/clip_export.h"
#include "app/talk/voice_clips.h"
#include "app/window/picture_stores.h"
#include "platform/desktop/program_start.h"

#include <QCloseEvent>
#include <QMouseEvent>

namespace {

const QString kEndKey = QStringLiteral("end_vens");
const QString kEntryKey = QStringLiteral("pop");

} // namespace

luncher::luncher() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool) {
    setObjectName(QStringLiteral("luncher"));
    setWindowTitle(QStringLiteral("ヴェンス"));
    // His own window class on X, as the balloons have theirs: window managers and tools tell him
    // from her.
    balloon::NameWindowClass(this, "luncher");
    // The picture he is designed with.
    Image1 = companion::Dress(this, kWidth, kHeight, gra::lun_img1());

    Timer1.onTick([this] { Timer1_Timer(); });
    Timer2.onTick([this] { Timer2_Timer(); });
}

luncher* luncher::Show() {
    if (!open_) {
        open_ = new luncher();
        open_->Form_Load();
    }
    open_->show();
    return open_;
}

void luncher::Unload() {
    luncher* window = open_;
    if (!window)
        return;
    open_ = nullptr;
    window->Form_Unload();
    window->hide();
    window->deleteLater();
}

void luncher::Form_Load() {
    IniManage::BeginBatch();
    if (!settings_keys::flag(QStringLiteral("fuwafuwa")))
        Timer1.setEnabled(false);
    const QPoint her = balloon::CharacterCorner();
    companion::MoveTo(this, her.x() - 70, her.y() + 80);
    RgnCall4::ShapeLauncher(this);
}

void luncher::Form_Unload() {
    Timer1.setEnabled(false);
    Timer2.setEnabled(false);
    if (migi_Pop2) {
        migi_Pop2->close();
        migi_Pop2->deleteLater();
        migi_Pop2 = nullptr;
    }
}

void luncher::ShowPopupMenu(QPoint globalPos, bool show) {
    shown_ = launcher::RegisteredEntries();
    // A fresh menu each time: the icons of an earlier showing go with its menu.
    if (migi_Pop2)
        migi_Pop2->deleteLater();
    migi_Pop2 = new QMenu(this);
    migi_Pop2->setObjectName(QStringLiteral("migi_Pop2"));
    auto item = [this](const QIcon& icon, const QString& caption, const QString& key) {
        QAction* action = migi_Pop2->addAction(icon, caption);
        action->setObjectName(key);
        connect(action, &QAction::triggered, this, [this, key] { migi_pop2_Click(key); });
    };
    for (const launcher::Entry& entry : shown_)
        item(platform::desktop::ProgramIcon(entry.path), entry.name,
             kEntryKey + QString::number(entry.slot + 1));
    migi_Pop2->addSeparator();
    item(QIcon(), QStringLiteral("ヴェンスを閉じる"), kEndKey);
    if (show)
        migi_Pop2->popup(globalPos);
}

void luncher::migi_pop2_Click(const QString& key) {
    if (key == kEndKey) {
        Unload();
        return;
    }
    if (!key.startsWith(kEntryKey))
        return;
    bool isNumber = false;
    const int slot = key.mid(kEntryKey.size()).toInt(&isNumber) - 1;
    if (!isNumber)
        return;
    for (const launcher::Entry& entry : shown_)
        if (entry.slot == slot) {
            Launch(entry.voice, entry.path);
            return;
        }
}

void luncher::Launch(const QString& voice, const QString& path) {
    if (!flag::state.Exiting) {
        ChosenVoice = voice;
        // An entry without a voice (none chosen, or none in the database) plays nothing: opening a
        // clip ends the one playing, so an attempt would cut her off mid-sentence and take over the
        // end of her balloon.
        const clip::ExportResult written = getlunVoice();
        if (written.ok && written.size > 0) {
            flag::state.VoicePath = written.path;
            mp3::PlayVoice();
        }
    }
    platform::desktop::StartProgram(path);
}

clip::ExportResult luncher::getlunVoice() {
    return mp3::WriteClip(heart::Table::lunch_voice_master, ChosenVoice, QStringLiteral("templun"), true);
}

void luncher::Form_MouseDown(int button, QPoint globalPos) {
    if (button & 1)
        drag_.Press(globalPos);
    if (button == 2)
        ShowPopupMenu(globalPos, true);
}

void luncher::Form_DblClick() {
    if (const auto entry = launcher::QuickLaunchEntry())
        Launch(entry->voice, entry->path);
}

void luncher::Timer1_Timer() {
    bob_.Tick(this);
}

void luncher::Timer2_Timer() {
    companion::Blink(Image1, gra::lun_img2(), gra::lun_img1(), Timer2);
}

void luncher::mousePressEvent(QMouseEvent* event) {
    Form_MouseDown(PressDrag::Button(event), event->globalPosition().toPoint());
}

void luncher::mouseMoveEvent(QMouseEvent* event) {
    drag_.Move(event);
}

void luncher::mouseReleaseEvent(QMouseEvent* event) {
    drag_.Release(event);
    QWidget::mouseReleaseEvent(event);
}

void luncher::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        Form_DblClick();
}

void luncher::closeEvent(QCloseEvent* event) {
    // Closed by the window system: as when his menu's last item closes him.
    if (open_.data() == this)
        Unload();
    event->accept();
}
