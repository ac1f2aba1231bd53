#include "res/dialog_templates.h"

#include <array>

#include "res/dialog_ids.h"

// Marks a text for Qt's translation tools, which read it from this file; the layouts
// themselves stay free of Qt, and the desktop program translates what it lays out.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

namespace pismovar {
namespace {

using K = ControlKind;

// Each frame stands in front of the controls it surrounds, so that its mnemonic leads to the
// first of them; frames are drawn behind everything whatever their place here.
constexpr std::array<ControlTemplate, 40> kConverterControls{{
    {kNoId,
     K::kGroupBox,
     QT_TRANSLATE_NOOP("Dialog", "&Vstupní soubor"),
     {7, 15, 197, 137},
     kStretchX},
    {IDC_INPUT, K::kEdit, "", {13, 26, 128, 14}, kBorder | kTabStop | kStretchX},
    {IDC_BROWSE_INPUT,
     K::kPushButton,
     QT_TRANSLATE_NOOP("Dialog", "&Otevřít..."),
     {144, 26, 53, 14},
     kTabStop | kFollowRight},
    {IDC_CLIPBOARD_IN,
     K::kCheckBox,
     QT_TRANSLATE_NOOP("Dialog", "Vstup dat ze sc&hránky Windows"),
     {30, 42, 120, 10},
     kTabStop},
    {kNoId, K::kGroupBox, QT_TRANSLATE_NOOP("Dialog", "Kó&dování"), {13, 54, 87, 92}, kGroup},
    {IDC_CODE_IN, K::kRadioButton, "Windows 1250", {21, 63, 74, 10}, kGroup | kTabStop},
    {1005, K::kRadioButton, QT_TRANSLATE_NOOP("Dialog", "Kamenických"), {21, 73, 74, 10}, 0},
    {1004, K::kRadioButton, "Latin-2", {21, 83, 74, 10}, 0},
    {1021, K::kRadioButton, "ISO Latin-2", {21, 93, 74, 10}, 0},
    {1006, K::kRadioButton, "Macintosh", {21, 103, 74, 10}, 0},
    {1025, K::kRadioButton, "KOI8-ČS", {21, 113, 74, 10}, 0},
    {1007, K::kRadioButton, "ASCII", {21, 123, 74, 10}, 0},
    {1033, K::kRadioButton, "UTF-8", {21, 133, 74, 10}, 0},
    {kNoId, K::kGroupBox, QT_TRANSLATE_NOOP("Dialog", "Konc&e řádků"), {105, 54, 93, 42}, kGroup},
    {IDC_LINE_END_IN, K::kRadioButton, "DOS/Windows", {111, 63, 74, 10}, kGroup | kTabStop},
    {1010, K::kRadioButton, "Macintosh", {111, 73, 74, 10}, 0},
    {1009, K::kRadioButton, "Unix/Linux", {111, 83, 74, 10}, 0},
    {IDC_FULL_DETECT,
     K::kPushButton,
     QT_TRANSLATE_NOOP("Dialog", "Úplná de&tekce"),
     {105, 132, 92, 14},
     kGroup | kTabStop},
    {kNoId,
     K::kGroupBox,
     QT_TRANSLATE_NOOP("Dialog", "Výstupní &soubor"),
     {7, 156, 197, 137},
     kStretchX},
    {IDC_OUTPUT, K::kEdit, "", {13, 167, 128, 14}, kBorder | kTabStop | kStretchX},
    {IDC_BROWSE_OUTPUT,
     K::kPushButton,
     QT_TRANSLATE_NOOP("Dialog", "&Uložit jako..."),
     {144, 167, 53, 14},
     kTabStop | kFollowRight},
    {IDC_CLIPBOARD_OUT,
     K::kCheckBox,
     QT_TRANSLATE_NOOP("Dialog", "Výstup d&at do schránky Windows"),
     {29, 183, 123, 10},
     kTabStop},
    {kNoId, K::kGroupBox, QT_TRANSLATE_NOOP("Dialog", "Kódová&ní"), {13, 195, 87, 92}, kGroup},
    {IDC_CODE_OUT, K::kRadioButton, "Windows 1250", {21, 205, 74, 10}, kGroup | kTabStop},
    {1015, K::kRadioButton, QT_TRANSLATE_NOOP("Dialog", "Kamenických"), {21, 215, 74, 10}, 0},
    {1014, K::kRadioButton, "Latin-2", {21, 225, 74, 10}, 0},
    {1024, K::kRadioButton, "ISO Latin-2", {21, 235, 74, 10}, 0},
    {1016, K::kRadioButton, "Macintosh", {21, 245, 74, 10}, 0},
    {1026, K::kRadioButton, "KOI8-ČS", {21, 255, 74, 10}, 0},
    {1017, K::kRadioButton, "ASCII", {21, 265, 74, 10}, 0},
    {1034, K::kRadioButton, "UTF-8", {21, 275, 74, 10}, 0},
    {kNoId, K::kGroupBox, QT_TRANSLATE_NOOP("Dialog", "Kon&ce řádků"), {105, 195, 93, 42}, kGroup},
    {IDC_LINE_END_OUT, K::kRadioButton, "DOS/Windows", {111, 205, 74, 10}, kGroup | kTabStop},
    {1020, K::kRadioButton, "Macintosh", {111, 215, 74, 10}, 0},
    {1019, K::kRadioButton, "Unix/Linux", {111, 225, 74, 10}, 0},
    {IDC_CONVERT,
     K::kDefPushButton,
     QT_TRANSLATE_NOOP("Dialog", "P&roveď konverzi"),
     {105, 273, 93, 14},
     kGroup | kTabStop},
    {IDC_HELP,
     K::kPushButton,
     QT_TRANSLATE_NOOP("Dialog", "Ná&pověda"),
     {7, 299, 95, 14},
     kTabStop},
    {IDC_EXIT,
     K::kPushButton,
     QT_TRANSLATE_NOOP("Dialog", "&Konec"),
     {109, 299, 95, 14},
     kTabStop | kFollowRight},
    {IDC_STATUS, K::kStatic, "", {7, 317, 197, 8}, kNoWordWrap | kStretchX},
    {kNoId,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Pismovar 3.5.0 – konverze češtiny"),
     {5, 5, 197, 8},
     kCentred | kGroup | kNoWordWrap | kStretchX},
}};

constexpr std::array<ControlTemplate, 4> kProgressControls{{
    {IDC_PROGRESS_CANCEL,
     K::kDefPushButton,
     QT_TRANSLATE_NOOP("Dialog", "&Zrušit"),
     {68, 63, 50, 14},
     kTabStop},
    {IDC_PROGRESS_TEXT,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Provádím konverzi souborů..."),
     {7, 7, 172, 8},
     kCentred | kGroup},
    {IDC_PROGRESS_FILE, K::kProgressBar, "", {7, 27, 172, 9}, kBorder},
    {IDC_PROGRESS_LIST, K::kProgressBar, "", {7, 41, 172, 9}, kBorder},
}};

}  // namespace

const DialogTemplate kConverterDialogTemplate{IDD_CONVERTER_DIALOG,
                                              QT_TRANSLATE_NOOP("Dialog", "Konverze češtiny"),
                                              {0, 0, 211, 329},
                                              kSystemMenu | kTaskBar | kWiderX,
                                              kConverterControls};

const DialogTemplate kProgressDialogTemplate{IDD_PROGRESS,
                                             QT_TRANSLATE_NOOP("Dialog", "Průběh"),
                                             {0, 0, 186, 84},
                                             kSystemMenu,
                                             kProgressControls};

}  // namespace pismovar
