#pragma once
// A stage without a window, for the tests of the parts that act on the character: it records every
// call in order ("TakeStage Battery+Blink / SignBoard", "ShowPose RgnCall.ShapeStandard
// gra.Image1(0)") and keeps what the calls leave behind (the watches running, her picture, the
// board, the menu items), so that a test may set the scene and read the outcome. It starts nothing
// by itself: GiveBackStage() is only recorded.
#include "app/shapes/shape_list.h"
#include "app/window/stage.h"

#include <QMap>
#include <QStringList>

struct FakeStage : Stage {
    QStringList calls;
    Watches running;
    Overlays hidden;
    stores::Picture shown, sign;
    QMap<Item, bool> items;
    QPoint corner;
    bool paused = false; // mail_sub_cut's mark
    stores::Picture tens, ones;
    QString trayTip, toolTip;

    static QString names(Watches watches) {
        static const std::pair<Watch, const char*> all[] = {{Battery, "Battery"},
                                                            {Blink, "Blink"},
                                                            {LowBatteryBlink, "LowBatteryBlink"},
                                                            {Idle, "Idle"},
                                                            {MidiEnd, "MidiEnd"},
                                                            {Mp3End, "Mp3End"},
                                                            {MailArming, "MailArming"},
                                                            {MailCheck, "MailCheck"},
                                                            {SignSwap, "SignSwap"},
                                                            {BusyAnimation, "BusyAnimation"},
                                                            {Dance1, "Dance1"},
                                                            {Dance2, "Dance2"},
                                                            {Dance3, "Dance3"},
                                                            {Dance4, "Dance4"}};
        QStringList out;
        for (auto [watch, name] : all)
            if (watches.testFlag(watch))
                out << QLatin1String(name);
        return out.join(QLatin1Char('+'));
    }
    static QString names(Overlays overlays) {
        QStringList out;
        if (overlays.testFlag(SignBoard))
            out << QStringLiteral("SignBoard");
        if (overlays.testFlag(MailCount))
            out << QStringLiteral("MailCount");
        if (overlays.testFlag(BatteryPercent))
            out << QStringLiteral("BatteryPercent");
        return out.join(QLatin1Char('+'));
    }
    static QString nameOf(Shape shape) {
        for (const shapes::ShapeEntry& entry : shapes::AllShapes())
            if (entry.apply == shape)
                return entry.name;
        return QStringLiteral("(unlisted shape)");
    }

    void TakeStage(Watches stop, Overlays hide) override {
        calls << QStringLiteral("TakeStage %1 / %2").arg(names(stop), names(hide));
        running &= ~stop;
        hidden |= hide;
    }
    void GiveBackStage() override { calls << QStringLiteral("GiveBackStage"); }
    void Start(Watches watches) override {
        calls << QStringLiteral("Start ") + names(watches);
        running |= watches;
    }
    void Stop(Watches watches) override {
        calls << QStringLiteral("Stop ") + names(watches);
        running &= ~watches;
    }
    bool Running(Watch watch) const override { return running.testFlag(watch); }
    void CheckMp3End() override { calls << QStringLiteral("CheckMp3End"); }
    void ShowPose(Shape shape, const stores::Picture& picture) override {
        calls << QStringLiteral("ShowPose %1 %2").arg(nameOf(shape), picture.name);
        shown = picture;
    }
    void ShowPicture(const stores::Picture& picture) override {
        calls << QStringLiteral("ShowPicture ") + picture.name;
        shown = picture;
    }
    stores::Picture Shown() const override { return shown; }
    void ShowSign(const stores::Picture& picture) override {
        calls << QStringLiteral("ShowSign ") + picture.name;
        sign = picture;
        hidden &= ~Overlays(SignBoard);
    }
    stores::Picture Sign() const override { return hidden.testFlag(SignBoard) ? stores::Picture{} : sign; }
    void Hide(Overlays overlays) override {
        calls << QStringLiteral("Hide ") + names(overlays);
        hidden |= overlays;
    }
    void ShowItem(Item item, bool shown) override {
        const char* name = item == Item::again       ? "again"
                           : item == Item::mail_look ? "mail_look"
                           : item == Item::getto     ? "getto"
                           : item == Item::mail_sub_cut ? "mail_sub_cut"
                                                        : "shutdown";
        calls << QStringLiteral("ShowItem %1 %2")
                     .arg(QLatin1String(name), QLatin1String(shown ? "shown" : "hidden"));
        items[item] = shown;
    }
    bool ItemChecked(Item item) const override { return item == Item::mail_sub_cut && paused; }
    bool ItemShown(Item item) const override { return items.value(item, false); }
    void ShowMailCount(const stores::Picture& t, const stores::Picture& o) override {
        calls << QStringLiteral("ShowMailCount %1 %2").arg(t.name, o.name);
        tens = t;
        ones = o;
        hidden &= ~(Overlays(SignBoard) | MailCount);
    }
    void SetTrayTip(const QString& tip) override {
        calls << QStringLiteral("SetTrayTip ") + tip;
        trayTip = tip;
    }
    void SetToolTip(const QString& text) override {
        calls << QStringLiteral("SetToolTip ") + text;
        toolTip = text;
    }
    QPoint Corner() const override { return corner; }
};
