#include "settings_keys.h"

#include "app/settings/IniManage.h"

namespace settings_keys {
namespace {

QString value(const QString& key) { return IniManage::GetIni(key); }

int wholeNumber(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : 0;
}

int byteOr(const QString& key, int fallback) {
    bool ok = false;
    const int n = value(key).trimmed().toInt(&ok);
    return ok && n >= 0 && n <= 255 ? n : fallback;
}

} // namespace

bool flag(const QString& key) { return value(key) == QStringLiteral("1"); }
bool batteryWatched() { return value(QStringLiteral("batflag")) != QStringLiteral("0"); }
int mailCheckSwitch() { return wholeNumber(value(QStringLiteral("mailcheckF"))); }
int flatRateSwitch() { return wholeNumber(value(QStringLiteral("Tereho"))); }

bool FlatRateWindow::contains(int hour, int minute) const {
    const int now = hour * 100 + minute;
    const int start = startHour * 100 + startMinute;
    const int end = endHour * 100 + endMinute;
    if (start <= end)
        return now >= start && now <= end;
    return now >= start || now <= end;
}

FlatRateWindow flatRateWindow() {
    FlatRateWindow w;
    w.startHour = byteOr(QStringLiteral("tele01"), 23);
    w.startMinute = byteOr(QStringLiteral("tele02"), 0);
    w.endHour = byteOr(QStringLiteral("tele03"), 8);
    w.endMinute = byteOr(QStringLiteral("tele04"), 0);
    return w;
}

QString topMost() {
    const QString v = value(QStringLiteral("temae"));
    return v.isEmpty() ? QStringLiteral("1") : v;
}

QString sntpHost() {
    const QString host = value(QStringLiteral("sntpTXT"));
    return host.isEmpty() ? QString::fromUtf16(kDefaultSntpHost) : host;
}

QString masterCall(const QString& name) {
    return name.isEmpty() ? QStringLiteral("マスター") : name + QStringLiteral("さん");
}

QString masterCall() { return masterCall(value(QStringLiteral("MasterName"))); }

} // namespace settings_keys
