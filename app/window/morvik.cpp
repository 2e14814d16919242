#include "morvik.h"

#include "Trei.h"
#include "app/settings/IniManage.h"
#include "app/settings/settings_keys.h"
#include "app/shapes/RgnCall.h"
#include "app/shapes/RgnCall2.h"
#include "app/state/Module1.h"
#include "app/state/flag.h"
#include "app/state/speak.h"
#include "os_version.h"
#include "platform/atomic_file.h"
#include "platform/clock.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "platform/single_instance.h"
#include "platform/widgets/banded_style.h"
#include "services.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <tuple>

namespace {

// No exception crosses a step or a handler: a failing step is said on standard error, by its name
// (unless the name is null), and the next one runs. False when it failed.
template <typename F> bool step(const char* name, F&& f) {
    try {
        f();
        return true;
    } catch (const std::exception& e) {
        if (name)
            std::fprintf(stderr, "morvik: %s failed: %s\n", name, e.what());
        return false;
    }
}

// Puts her on top (1) or not (0). Her balloons stay above her: she must never cover the line she
// is saying, whose tail may reach under her feet.
void setTopMostBelowBalloons(int flag) {
    Trei::SetTopMost(flag);
    for (QWidget* balloon : {Trei::Fuki.data(), Trei::Fuki2.data()})
        if (balloon && balloon->isVisible())
            balloon->raise();
}

} // namespace

morvik::morvik(QWidget* parent) : QWidget(parent, Qt::FramelessWindowHint | Qt::Tool) {
    setObjectName(QStringLiteral("morvik"));
    setWindowTitle(QStringLiteral("QTV-52モルヴィク"));
    setFixedSize(150, 170);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, 170, 170);
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);
    Image1->setStyle(platform::bandedStyle()); // her shaped frames drawn without waking threads
    auto overlay = [this](const char* name, QRect place) {
        auto* box = new QLabel(this);
        box->setObjectName(QLatin1String(name));
        box->setGeometry(place);
        box->setAttribute(Qt::WA_TransparentForMouseEvents);
        box->hide();
        return box;
    };
    // The overlays lie on the sign board she holds up: the gauge or mail sign fills its face, the
    // two digits of the mail count and the battery percentage sit on its lower half.
    Image2 = overlay("Image2", QRect(10, 15, 66, 50));
    // The gauge carries the mail summary's tooltip, so the resting mouse must find it; a label
    // passes presses, moves and double-clicks on to the form.
    Image2->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    Image3 = overlay("Image3", QRect(10, 23, 15, 13));
    Image4 = overlay("Image4", QRect(24, 23, 15, 13));
    Label1 = overlay("Label1", QRect(10, 44, 66, 18));
    Label1->setAlignment(Qt::AlignCenter);
    // Dark blue bold figures, set without a style sheet: the first one makes Qt build a style of
    // its own for the whole program before her first picture.
    QPalette ink = Label1->palette();
    ink.setColor(QPalette::WindowText, QColor(0x1B, 0x1D, 0x33));
    Label1->setPalette(ink);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);

    // Files dragged from the file manager land on her (on the window or on Image1, which lets
    // them through): the drop handler takes them, and anything else dropped, which it only notes.
    setAcceptDrops(true);

    Picture1 = stores::TrayIcon().pixmap;
    RgnCall::ShapeStandard(this);
    ShowPicture(gra::Image1(0));

    buildMenu();

    // A failing tick is said once per timer: it would fail again at every tick.
    auto bind = [](platform::Timer& timer, const char* name, auto handler) {
        timer.onTick([name, handler, told = false]() mutable {
            if (!step(told ? nullptr : name, handler))
                told = true;
        });
    };
    bind(Timer1, "Timer1", [this] { Timer1_Timer(); });
    bind(Timer2, "Timer2", [this] { Timer2_Timer(); });
    bind(Timer3, "Timer3", [this] { Timer3_Timer(); });
    bind(Timer5, "Timer5", [this] { Timer5_Timer(); });
    bind(Timer6, "Timer6", [this] { Timer6_Timer(); });
    bind(Timer7, "Timer7", [this] { Timer7_Timer(); });
    bind(Timer8, "Timer8", [this] { Timer8_Timer(); });
    bind(Timer9, "Timer9", [this] { Timer9_Timer(); });
    bind(Timer10, "Timer10", [this] { Timer10_Timer(); });
    bind(Timer11, "Timer11", [this] { Timer11_Timer(); });
    bind(Timer12, "Timer12", [this] { Timer12_Timer(); });
    bind(Timer13, "Timer13", [this] { Timer13_Timer(); });
    bind(net_check, "net_check", [this] { net_check_Timer(); });
    bind(dance_check, "dance_check", [this] { dance_check_Timer(); });
    bind(Dance_check2, "Dance_check2", [this] { Dance_check2_Timer(); });
    bind(Dance_check3, "Dance_check3", [this] { Dance_check3_Timer(); });
    bind(Dance_check4, "Dance_check4", [this] { Dance_check4_Timer(); });

    if (!MessageBox)
        MessageBox = [](const QString& text) {
            QMessageBox::warning(nullptr, QStringLiteral("QTV-52モルヴィク"), text);
        };
    if (!EndProgram)
        EndProgram = [] { QCoreApplication::exit(0); };
}

morvik::~morvik() {
    if (Stage::Current() == this)
        Stage::Install(nullptr);
    if (clsSubclass)
        basSubclass::Unsubclass(*clsSubclass);
}

void morvik::ShowPicture(const stores::Picture& picture) {
    stores::Show(Image1, picture);
}

void morvik::frame(Shape shape, std::optional<stores::Picture> picture, std::optional<int> pause) {
    shape(this);
    if (picture)
        ShowPicture(*picture);
    if (pause) {
        platform::pace::yieldEvents();
        platform::pace::sleep(*pause);
    }
}

// Writes the `common` clip id and names it as the next clip; false once the exit has begun, since
// the farewell is the last thing she says.
static bool prepareVoice(const QString& id) {
    if (flag::state.Exiting)
        return false;
    speak::state.VoiceId = id;
    services::talk().PlayCommonVoice();
    flag::state.VoicePath = services::commonVoicePath(id);
    return true;
}

void morvik::voice(const QString& id) {
    if (prepareVoice(id))
        services::talk().PlayVoice();
}

void morvik::say(const QString& id, const QString& text) {
    if (!prepareVoice(id))
        return;
    speak::state.TalkText = text;
    services::talk().ShowFuki();
}

morvik::Placement morvik::PlaceFor(const QString& top, const QString& left, QSize screen) {
    Placement result;
    double x = 0, y = 0;
    if (top.isEmpty()) {
        result.firstRun = true;
        x = screen.width() / 2.0 - 85;
        y = screen.height() / 2.0 - 75;
    } else {
        bool okX = false, okY = false;
        x = top.trimmed().toDouble(&okX);
        y = left.trimmed().toDouble(&okY);
        if (!okX || !okY)
            return result;
    }
    // Halves round to the even neighbour.
    result.position = QPoint(int(std::nearbyint(x)), int(std::nearbyint(y)));
    return result;
}

bool morvik::PlaceAtSavedPosition() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize(1024, 768);
    const Placement place = PlaceFor(IniManage::GetIni(QStringLiteral("top")),
                                     IniManage::GetIni(QStringLiteral("left")), size);
    if (place.position)
        move(*place.position);
    placed_ = true;
    return place.firstRun;
}

void morvik::SavePosition() {
    const QRect r = frameGeometry();
    platform::ini::Pairs place{{QStringLiteral("top"), QString::number(r.left())},
                               {QStringLiteral("left"), QString::number(r.top())},
                               {QStringLiteral("right"), QString::number(r.left() + r.width())},
                               {QStringLiteral("bottom"), QString::number(r.top() + r.height())}};
    if (!flag::state.TopMost.isEmpty())
        place.append({QStringLiteral("temae"), flag::state.TopMost});
    // Written through the ini layer itself, in one rewrite, for the reason of a failure.
    platform::programFolder(); // made again if it was removed since the batch began
    const QString path = IniManage::state.IniPath;
    QString why;
    const bool saved = platform::ini::writeAll(path, IniManage::state.Section, place, &why);
    // Said once per file until a save works again: her exit and the session's end may both save.
    static QString told;
    if (saved) {
        told.clear();
        return;
    }
    if (told == path)
        return;
    told = path;
    std::fprintf(stderr, "morvik: cannot keep her place and 常に手前 in %s: %s\n", qPrintable(path),
                 qPrintable(why));
}

void morvik::wait_ten() { platform::pace::sleep(10000); }

bool morvik::online() {
    if (settings_keys::flag(QStringLiteral("proxy")))
        return true;
    const bool connected = dialUpConnected();
    net_cut->setVisible(connected);
    net_connect->setVisible(!connected);
    return connected;
}

// Made by the start-up right after her first picture: making it lists NetworkManager's profiles
// over the system bus.
VBRas32& morvik::dialUp() {
    if (!RasSample) {
        RasSample = new VBRas32(this);
        RasSample->setObjectName(QStringLiteral("RasSample"));
        connect(RasSample, &VBRas32::ConnectComplete, this,
                [this] { step("RasSample_ConnectComplete", [this] { RasSample_ConnectComplete(); }); });
        connect(RasSample, &VBRas32::ConnectError, this, [this](qint32& code) {
            step("RasSample_ConnectError", [&] { RasSample_ConnectError(code); });
        });
    }
    return *RasSample;
}

bool morvik::Form_Load() {
    step("start-up: load the store action", [] { stores::Load(QStringLiteral("action")); });
    flag::state.StartupDone = 0;
    step("start-up: GetOsKind", [] { ExitWindow::GetOsKind(); });
    instance_ = std::make_unique<platform::SingleInstance>(InstanceName);
    if (instance_->outcome() == platform::SingleInstance::Outcome::HeldByAnother)
        return false;
    // A lock that cannot be made says nothing about another instance: she starts all the same.
    if (instance_->outcome() == platform::SingleInstance::Outcome::Failed)
        std::fprintf(stderr, "morvik: %s; starting without the check for another instance\n",
                     qPrintable(instance_->error()));
    step("start-up: settle the settings file", [] { IniManage::BeginBatch(); });
    step("start-up: wait_ten", [this] {
        if (settings_keys::flag(QStringLiteral("start_wait")))
            wait_ten();
    });
    step("start-up: first pose", [this] { frame(RgnCall::ShapePose05, action::Image1(0)); });
    step("start-up: delete the leftovers", [] {
        // Leftovers of an earlier run, in our own temporary folder only.
        Module1::state.CleanPath2 = platform::tempFolder() + QStringLiteral("/temp.mdb");
        platform::deleteTempFiles(QStringLiteral("*.tmp"));
        platform::deleteTempFiles(QStringLiteral("*.tmp"), QStringLiteral("mail")); // fetched messages
        QFile::remove(Module1::state.CleanPath2);
        // A settings file whose writer was killed mid-write leaves its temporary file beside it.
        platform::removeAtomicLeftovers(QFileInfo(IniManage::state.IniPath).absolutePath());
    });
    bool firstRun = false;
    step("start-up: place the window", [&] { firstRun = PlaceAtSavedPosition(); });
    step("start-up: sibling menu items", [this] {
        // dwim is no program of this system: open_dwim stays hidden.
        for (auto [file, item] : {std::pair{"palk", open_palk}, {"vens", open_vens}}) {
            if (platform::siblingPresent(QLatin1String(file))) {
                item->setVisible(true);
                line3->setVisible(true);
            }
        }
    });
    step("start-up: start-up board", [this] {
        ShowImage2(gra3::ImageList2(11));
        Image2->move(10, 15);
    });
    show();
    // Her first picture goes to the X server now, not after the next steps' database reads.
    platform::pace::yieldEvents();
    step("start-up: dial-up object", [this] { dialUp(); });

    QString kido;
    step("start-up: read kido", [&] { kido = IniManage::GetIni(QStringLiteral("kido")); });
    services::Talk::Greeting greeting;
    step("start-up: load the greeting", [&] {
        const int row = GreetingRow(kido, platform::clock::now().time().hour());
        greeting = services::talk().LoadGreeting(firstRun, row);
    });

    step("start-up: wake-up animation", [this] {
        stores::Load(QStringLiteral("gra"));
        platform::pace::yieldEvents();
        platform::pace::sleep(1000);
        Image2->hide();
        frame(RgnCall::ShapeStandard, gra::Image1(0));
        applyTopMost(settings_keys::topMost());
        // The bow: each frame after its pause.
        const std::tuple<Shape, int, int> bow[] = {{RgnCall::ShapePose01, 2, 400},
                                                   {RgnCall::ShapePose02, 3, 100},
                                                   {RgnCall::ShapePose01, 2, 600},
                                                   {RgnCall::ShapeStandard, 0, 100}};
        for (auto [shape, index, before] : bow) {
            platform::pace::yieldEvents();
            platform::pace::sleep(before);
            frame(shape, gra::Image1(index));
        }
        platform::pace::yieldEvents();
        platform::pace::sleep(600);
    });
    flag::state.PowerState = QStringLiteral("1");
    flag::state.IdleCount = 0;
    step("start-up: tray icon", [this] { Trei::TrayIcon(QIcon(Picture1), Trei::kStartTip, 0); });
    step("start-up: vbmp3_init", [] { services::talk().vbmp3_init(); });
    step("start-up: say the greeting", [&] {
        speak::state.TalkText =
            firstRun ? QStringLiteral("はじめましてマスター\r\nこれからよろしくお願いします")
                     : GreetingText(greeting.line1, IniManage::GetIni(QStringLiteral("MasterName")),
                                    greeting.line2);
        flag::state.VoicePath = greeting.clip;
        services::talk().ShowFuki();
    });
    Timer1.setEnabled(true);
    flag::state.StartupDone = 1;

    int mailSwitch = 0;
    step("start-up: read mailcheckF", [&] { mailSwitch = settings_keys::mailCheckSwitch(); });
    bool isOnline = false;
    step("start-up: dial-up menu items", [&] { isOnline = online(); });
    step("start-up: mail check", [&] {
        if (mailSwitch == 0 || !isOnline)
            return;
        const QTime now = platform::clock::now().time();
        if (settings_keys::flatRateSwitch() != 1 ||
            settings_keys::flatRateWindow().contains(now.hour(), now.minute()))
            services::mail().CheckMail();
    });
    step("start-up: picture stores", [] {
        stores::Load(QStringLiteral("gra2"));
        stores::Unload(QStringLiteral("action"));
        stores::Unload(QStringLiteral("gra3"));
        stores::Load(QStringLiteral("gra5"));
        stores::Load(QStringLiteral("gra6"));
    });
    net_check.setEnabled(true);
    Timer9.setEnabled(true);
    step("start-up: shutdown item",
         [this] { shutdown->setVisible(settings_keys::flag(QStringLiteral("shutdown"))); });
    step("start-up: always on top",
         [] { setTopMostBelowBalloons(flag::state.TopMost == QStringLiteral("0") ? 0 : 1); });
    step("start-up: SSTP greeting", [] {
        if (services::sstp().Sakura() == 0)
            return;
        speak::state.SstpScript =
            QStringLiteral("\\h\\s0ちっ、でやがったな、無表情ロボめ") +
            QStringLiteral("\\w5\\u\\s0そーゆーことは、本人のいないところで言うもんやで\\e");
        services::sstp().Send(speak::state.SstpScript, speak::state.SstpOption);
    });
    Timer12.setEnabled(true);
    step("start-up: palk and launcher", [] {
        if (settings_keys::flag(QStringLiteral("palk_kick")))
            services::windows().ShowPalk();
        if (settings_keys::flag(QStringLiteral("vens_kick")))
            services::windows().ShowLauncher();
    });
    step("start-up: tooltip", [this] { Trei::CreateTip(Image2); });
    step("start-up: subclass the window", [this] {
        clsSubclass = std::make_unique<CSubclass>();
        clsSubclass->setHwnd(this);
        basSubclass::Subclass(*clsSubclass);
    });
    return true;
}

QString morvik::GreetingText(const QString& line1, const QString& masterName, const QString& line2) {
    return line1 + settings_keys::masterCall(masterName) + QStringLiteral("\r\n") + line2;
}

void morvik::applyTopMost(const QString& value) {
    flag::state.TopMost = value;
    if (value == QStringLiteral("0")) {
        setTopMostBelowBalloons(0);
        temae->setText(QStringLiteral("常に手前に表示"));
    } else {
        setTopMostBelowBalloons(1);
        temae->setText(QStringLiteral("常に手前に表示を解除"));
    }
}

void morvik::ShowImage2(const stores::Picture& picture) {
    stores::Show(Image2, picture, stores::Note::Quiet);
    Image2->show();
}

// While she melts, a file dragged over her is refused, and its source told so: the next drop would
// close the first archive's result as soon as it opened.
void morvik::dragEnterEvent(QDragEnterEvent* event) {
    if (services::drops().Busy())
        event->ignore();
    else
        event->acceptProposedAction();
}

void morvik::dragMoveEvent(QDragMoveEvent* event) {
    if (services::drops().Busy())
        event->ignore();
    else
        event->acceptProposedAction();
}

void morvik::dropEvent(QDropEvent* event) {
    if (services::drops().Busy()) {
        event->ignore();
        return;
    }
    // The drag's source is told at once that the drop is taken; the file is handled from the event
    // loop, and after any sequence of hers that runs now (a dance's frames), never inside it.
    event->acceptProposedAction();
    const QMimeData* data = event->mimeData();
    if (!data)
        return;
    auto copy = std::make_shared<QMimeData>();
    copy->setUrls(data->urls());
    if (data->hasText())
        copy->setText(data->text());
    platform::pace::mark(QStringLiteral("drop"));
    QTimer::singleShot(0, this, [this, copy] {
        give([] { return !services::drops().Busy(); }, [copy] { services::drops().Dropped(*copy); },
             Words::replaced);
    });
}

void morvik::closeEvent(QCloseEvent* event) {
    // Closed by the window system or ended by the session, not by her own exit: keep her place
    // (unless she never had one: a second instance, or an end before the start-up placed her) and
    // end the program; in the middle of her exit, end it as the end of the farewell would.
    event->accept();
    if (placed_ || isVisible())
        SavePosition();
    if (flag::state.Exiting) {
        finishExit();
    } else {
        // A transfer in progress ends soon; the check or download it belongs to then says nothing.
        flag::state.Exiting = 1;
        services::mail().Cancel();
        endAfterPalk();
    }
}
