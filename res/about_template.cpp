#include "res/about_template.h"

#include <QtGlobal>
#include <array>

namespace pismovar {
namespace {

using K = ControlKind;

// The tab order runs in this order too; OK is the only stop.
constexpr std::array<ControlTemplate, 12> kAboutControls{{
    {IDC_ICON, K::kPicture, "", {11, 17, 20, 20}, 0},
    {kNoId,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Konverze češtiny mezi různými kody."),
     {40, 21, 127, 8},
     kCentred | kGroup},
    {kNoId,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Freeware © 2026 projekt Pismovar"),
     {48, 30, 111, 8},
     kCentred | kGroup},
    {IDC_OK, K::kDefPushButton, "OK", {179, 7, 50, 14}, kTabStop | kGroup},
    {kNoId, K::kGroupBox, QT_TRANSLATE_NOOP("Dialog", "Informace"), {7, 43, 222, 50}, kGroup},
    {IDC_LOGO, K::kPicture, "", {145, 62, 69, 16}, 0},
    {kNoId,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Projekt Pismovar\nNástroje pro český text"),
     {15, 55, 120, 16},
     kGroup},
    {IDC_WEB_LINK, K::kStatic, "pismovar.example.org", {15, 79, 85, 8}, kGroup},
    {IDC_MAIL_LINK, K::kStatic, "pismovar@example.org", {39, 71, 54, 8}, kGroup},
    {kNoId, K::kStatic, "e-mail:", {15, 71, 21, 8}, kGroup},
    {kNoId,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Pokud se Vám program líbí, pak mi pošlete e-mail."),
     {39, 98, 157, 8},
     kGroup},
    {IDC_VERSION, K::kStatic, "{version}", {46, 7, 115, 12}, kCentred | kGroup},
}};

}  // namespace

const DialogTemplate kAboutDialogTemplate{IDD_ABOUTBOX,
                                          QT_TRANSLATE_NOOP("Dialog", "O programu Pismovar"),
                                          {0, 0, 237, 111},
                                          kSystemMenu,
                                          kAboutControls};

}  // namespace pismovar
