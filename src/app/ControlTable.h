// SPDX-License-Identifier: MIT
#pragma once

#include "Texts.h"

#include <QtGlobal>

#include <QRect>

#include <array>
#include <string_view>

// The window as it is drawn at design time, in twips (1440 an inch, 15 a pixel at 96 dpi).
// Positions are measured from the top-left corner of the client area.
namespace design {

inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kClientWidth = 2895;
inline constexpr int kClientHeight = 1995;

inline constexpr int twipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

inline constexpr QRect pixelRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}

// Bold Times New Roman in three sizes: 12 pt, 11.25 pt and 9.75 pt are 16, 15 and 13 pixels at 96 dpi.
inline constexpr int kLargeFont = 16;
inline constexpr int kNormalFont = 15;
inline constexpr int kSmallFont = 13;
inline constexpr int kDefaultFont = 0;

inline constexpr std::string_view kCreditLine =
    QT_TRANSLATE_NOOP("Alarm", "Velmora, developer of ALARM, the alarm and shut-down timer for Linux");

struct Control {
    std::string_view name;
    int left, top, width, height; // twips
    std::string_view caption;
    int tabIndex; // order of the focus chain among the controls that take the focus
    bool enabled;
    bool visible;
    std::string_view toolTip;
    int fontPixels;
};

// In the order in which the window holds them. Label4's tooltip is the credit line with a full
// stop and three blanks; the window composes it from kCreditLine.
inline constexpr std::array<Control, 15> kControls{{
    {"Details", 2160, 840, 615, 375, "?", 0, true, true,
     QT_TRANSLATE_NOOP("Alarm", "Click for details...   "), kLargeFont},
    {"Shutdown", 840, 840, 1215, 375, QT_TRANSLATE_NOOP("Alarm", "Shut down"), 6, false, true,
     QT_TRANSLATE_NOOP("Alarm", "Click to set, shut down plan.   "), kNormalFont},
    {"AM", 2040, 360, 735, 375, "", 3, true, true, QT_TRANSLATE_NOOP("Alarm", "Select AM / PM"), kNormalFont},
    {"Minutes", 1080, 360, 855, 375, "", 2, true, true, QT_TRANSLATE_NOOP("Alarm", "Set minutes"),
     kNormalFont},
    {"Hour", 120, 360, 855, 375, "", 1, true, true, QT_TRANSLATE_NOOP("Alarm", "Set hour"), kNormalFont},
    {"Alarmon", 120, 840, 615, 375, QT_TRANSLATE_NOOP("Alarm", "ON"), 4, false, true,
     QT_TRANSLATE_NOOP("Alarm", "Click to on, alarm.   "), kNormalFont},
    {"Alarmoff", 120, 840, 615, 375, QT_TRANSLATE_NOOP("Alarm", "OFF"), 5, true, false, text::kOffAlarmTip,
     kNormalFont},
    {"Text1", 1440, 2400, 150, 195, "", 7, true, false, "", kDefaultFont},
    {"Text2", 1440, 2400, 150, 195, "", 8, true, false, "", kDefaultFont},
    {"Label6", 1200, 1320, 1575, 315, "", 14, true, true, text::kTimeSetAlarmTip, kNormalFont},
    {"Label5", 105, 1320, 1035, 255, QT_TRANSLATE_NOOP("Alarm", "Time set :"), 13, true, true,
     text::kTimeSetAlarmTip, kNormalFont},
    {"Label4", -120, 1680, 3135, 375, text::kAuthor, 12, true, true, "", kNormalFont},
    {"Label3", 2040, 120, 765, 225, QT_TRANSLATE_NOOP("Alarm", "AM / PM"), 11, true, true,
     QT_TRANSLATE_NOOP("Alarm", "Select AM / PM   "), kSmallFont},
    {"Label1", 240, 120, 525, 255, QT_TRANSLATE_NOOP("Alarm", "Hour"), 10, true, true,
     QT_TRANSLATE_NOOP("Alarm", "Set hour   "), kNormalFont},
    {"Label2", 1080, 120, 855, 255, QT_TRANSLATE_NOOP("Alarm", "Minutes"), 9, true, true,
     QT_TRANSLATE_NOOP("Alarm", "Set minutes   "), kNormalFont},
}};

struct Timer {
    std::string_view name;
    int intervalMs;
    bool running;
};

inline constexpr std::array<Timer, 4> kTimers{{
    {"Timer4", 2000, false}, // ringing
    {"Timer2", 100, false},  // shut-down watch
    {"Timer3", 1000, true},  // clock tick
    {"Timer1", 100, false},  // alarm watch
}};

} // namespace design
