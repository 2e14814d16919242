#include "morvik.h"

#include "ExitWindow.h"
#include "Trei.h"
#include "flag.h"
#include "services.h"
#include "app/settings/IniManage.h"
#include "app/settings/settings_db.h"
#include "app/settings/settings_keys.h"
#include "app/shapes/RgnCall.h"
#include "app/shapes/RgnCall2.h"
#include "app/talk/speak.h"
#include "platform/banded_style.h"
#include "platform/clock.h"
#include "platform/pace.h"
#include "platform/program_folder.h"
#include "platform/single_instance.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>
#include <cmath>
#include <exception>
#include <tuple>

namespace {

// No exception crosses a step or a handler: a failing step is skipped and the next one runs.
template <typename F> void step(F&& f) {
    try {
        f();
    } catch (const std::exception&) {
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

bool siblingPresent(const QString& name) {
    return QFile::exists(platform::programFolder() + QLatin1Char('/') + name) ||
           QFile::exists(platform::dataFolder() + QLatin1Char('/') + name);
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
    Label1->setStyleSheet(QStringLiteral("color: #1B1D33; font-weight: bold;"));

    Picture1 = pictures::Icon();
    RgnCall::ShapeStandard(this);
    ShowPicture(pictures::gra(0));

    buildMenu();

    auto bind = [](platform::Timer& timer, auto handler) { timer.onTick([handler] { step(handler); }); };
    bind(Timer1, [this] { Timer1_Timer(); });
    bind(Timer2, [this] { Timer2_Timer(); });
    bind(Timer3, [this] { Timer3_Timer(); });
    bind(Timer5, [this] { Timer5_Timer(); });
    bind(Timer6, [this] { Timer6_Timer(); });
    bind(Timer7, [this] { Timer7_Timer(); });
    bind(Timer8, [this] { Timer8_Timer(); });
    bind(Timer9, [this] { Timer9_Timer(); });
    bind(Timer10, [this] { Timer10_Timer(); });
    bind(Timer11, [this] { Timer11_Timer(); });
    bind(Timer12, [this] { Timer12_Timer(); });
    bind(Timer13, [this] { Timer13_Timer(); });

    if (!MessageBox)
        MessageBox = [](const QString& text) {
            QMessageBox::warning(nullptr, QStringLiteral("QTV-52モルヴィク"), text);
        };
    if (!EndProgram)
        EndProgram = [] { QCoreApplication::exit(0); };
}

morvik::~morvik() {
    if (clsSubclass)
        basSubclass::Unsubclass(*clsSubclass);
}

void morvik::ShowPicture(const pictures::Pic& picture) {
    platform::pace::mark(QStringLiteral("picture ") + picture.name());
    const QPixmap pixmap = pictures::Pixmap(picture);
    if (pixmap.isNull())
        return; // a picture the stores do not hold leaves the box as it is
    shown_ = picture;
    Image1->setPixmap(pixmap);
}

void morvik::frame(Shape shape, std::optional<pictures::Pic> picture, std::optional<int> pause) {
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
    if (flag::Exiting)
        return false;
    speak::VoiceId = id;
    services::talk().PlayCommonVoice();
    flag::VoicePath = services::commonVoicePath(id);
    return true;
}

void morvik::voice(const QString& id) {
    if (prepareVoice(id))
        services::talk().PlayVoice();
}

void morvik::say(const QString& id, const QString& text) {
    if (!prepareVoice(id))
        return;
    speak::TalkText = text;
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
    return place.firstRun;
}

void morvik::SavePosition() {
    const QRect r = frameGeometry();
    IniManage::WriteIni(QStringLiteral("top"), QString::number(r.left()));
    IniManage::WriteIni(QStringLiteral("left"), QString::number(r.top()));
    IniManage::WriteIni(QStringLiteral("right"), QString::number(r.left() + r.width()));
    IniManage::WriteIni(QStringLiteral("bottom"), QString::number(r.top() + r.height()));
    if (!flag::TopMost.isEmpty())
        IniManage::WriteIni(QStringLiteral("temae"), flag::TopMost);
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

bool morvik::dialUpConnected() {
    QString entry;
    const QStringList columns{QStringLiteral("net_ent"), QStringLiteral("net_user"), QStringLiteral("net_pass")};
    if (const auto row = settings_db::readRow(QStringLiteral("net_entry"), 1, columns)) {
        if ((*row)[0] && (*row)[1] && (*row)[2])
            entry = *(*row)[0];
    }
    return services::dialUp().SeekEnumConns(entry, true);
}

bool morvik::Form_Load() {
    step([] { pictures::Load(QStringLiteral("action")); });
    flag::StartupDone = 0;
    step([] { ExitWindow::GetOsKind(); });
    instance_ = std::make_unique<platform::SingleInstance>(InstanceName);
    if (!instance_->acquired())
        return false;
    step([] { IniManage::BeginBatch(); });
    step([this] {
        if (settings_keys::flag(QStringLiteral("start_wait")))
            wait_ten();
    });
    step([this] { frame(RgnCall::ShapePose05, pictures::action(0)); });
    step([] {
        // Leftovers of an earlier run, in our own temporary folder only.
        Module1::CleanPath1 = platform::tempFolder() + QStringLiteral("/*.tmp");
        Module1::CleanPath2 = platform::tempFolder() + QStringLiteral("/temp.mdb");
        platform::deleteTempFiles(QStringLiteral("*.tmp"));
        QFile::remove(Module1::CleanPath2);
    });
    bool firstRun = false;
    step([&] { firstRun = PlaceAtSavedPosition(); });
    step([this] {
        for (auto [file, item] : {std::pair{"palk", open_palk}, {"vens", open_vens}, {"dwim", open_dwim}}) {
            if (siblingPresent(QLatin1String(file))) {
                item->setVisible(true);
                line3->setVisible(true);
            }
        }
    });
    step([this] {
        ShowImage2(pictures::gra3List(11));
        Image2->move(10, 15);
    });
    show();

    QString kido;
    step([&] { kido = IniManage::GetIni(QStringLiteral("kido")); });
    services::Talk::Greeting greeting;
    step([&] {
        const int row = GreetingRow(kido, platform::clock::now().time().hour());
        greeting = services::talk().LoadGreeting(firstRun, row);
    });

    step([this] {
        pictures::Load(QStringLiteral("gra"));
        platform::pace::yieldEvents();
        platform::pace::sleep(1000);
        Image2->hide();
        frame(RgnCall::ShapeStandard, pictures::gra(0));
        applyTopMost(settings_keys::topMost());
        // The bow: each frame after its pause.
        const std::tuple<Shape, int, int> bow[] = {{RgnCall::ShapePose01, 2, 400},
                                                   {RgnCall::ShapePose02, 3, 100},
                                                   {RgnCall::ShapePose01, 2, 600},
                                                   {RgnCall::ShapeStandard, 0, 100}};
        for (auto [shape, index, before] : bow) {
            platform::pace::yieldEvents();
            platform::pace::sleep(before);
            frame(shape, pictures::gra(index));
        }
        platform::pace::yieldEvents();
        platform::pace::sleep(600);
    });
    flag::PowerState = QStringLiteral("1");
    flag::IdleCount = 0;
    step([this] { Trei::TrayIcon(QIcon(Picture1), Trei::kStartTip, 0); });
    step([] { services::talk().vbmp3_init(); });
    step([&] {
        speak::TalkText = firstRun ? QStringLiteral("はじめましてマスター\r\nこれからよろしくお願いします")
                                   : GreetingText(greeting.line1, IniManage::GetIni(QStringLiteral("MasterName")),
                                                  greeting.line2);
        flag::VoicePath = greeting.clip;
        services::talk().ShowFuki();
    });
    Timer1.setEnabled(true);
    flag::StartupDone = 1;

    int mailSwitch = 0;
    step([&] { mailSwitch = settings_keys::mailCheckSwitch(); });
    bool isOnline = false;
    step([&] { isOnline = online(); });
    step([&] {
        if (mailSwitch == 0 || !isOnline)
            return;
        const QTime now = platform::clock::now().time();
        if (settings_keys::flatRateSwitch() != 1 ||
            settings_keys::flatRateWindow().contains(now.hour(), now.minute()))
            services::mail().CheckMail();
    });
    step([] {
        pictures::Load(QStringLiteral("gra2"));
        pictures::Unload(QStringLiteral("action"));
        pictures::Unload(QStringLiteral("gra3"));
        pictures::Load(QStringLiteral("gra5"));
        pictures::Load(QStringLiteral("gra6"));
    });
    net_check.setEnabled(true);
    Timer9.setEnabled(true);
    step([this] { shutdown->setVisible(settings_keys::flag(QStringLiteral("shutdown"))); });
    step([] { setTopMostBelowBalloons(flag::TopMost == QStringLiteral("0") ? 0 : 1); });
    step([] {
        if (services::sstp().Sakura() == 0)
            return;
        speak::SstpScript = QStringLiteral("\\h\\s0ちっ、でやがったな、無表情ロボめ") +
                            QStringLiteral("\\w5\\u\\s0そーゆーことは、本人のいないところで言うもんやで\\e");
        services::sstp().Send(speak::SstpScript, speak::SstpOption);
    });
    Timer12.setEnabled(true);
    step([] {
        if (settings_keys::flag(QStringLiteral("palk_kick")))
            services::windows().ShowPalk();
        if (settings_keys::flag(QStringLiteral("vens_kick")))
            services::windows().ShowLauncher();
    });
    step([this] { Trei::CreateTip(Image2); });
    step([this] {
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
    flag::TopMost = value;
    if (value == QStringLiteral("0")) {
        setTopMostBelowBalloons(0);
        temae->setText(QStringLiteral("常に手前に表示"));
    } else {
        setTopMostBelowBalloons(1);
        temae->setText(QStringLiteral("常に手前に表示を解除"));
    }
}

void morvik::ShowImage2(const pictures::Pic& picture) {
    gauge_ = picture;
    Image2->setPixmap(pictures::Pixmap(picture));
    Image2->show();
}

void morvik::closeEvent(QCloseEvent* event) {
    // Closed by the window system (not by her own exit): keep her place and end the program.
    event->accept();
    if (flag::Exiting)
        return;
    SavePosition();
    EndProgram();
}
