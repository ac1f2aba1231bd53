#include "res/about_template.h"

#include <array>

// Marks a text for Qt's translation tools, which read it from this file; the layouts
// themselves stay free of Qt, and the desktop program translates what it lays out.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

namespace pismovar {
namespace {

using K = ControlKind;

// The tab order runs in this order too; OK is the only stop. The lines beside the icon start
// below the OK button, so that each has the whole width of the box to the right of the icon.
constexpr std::array<ControlTemplate, 13> kAboutControls{{
    {IDC_ICON, K::kPicture, "", {7, 7, 20, 20}, 0},
    {kNoId,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Konverze češtiny mezi různými kódy."),
     {34, 22, 196, 8},
     kGroup},
    {kNoId,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "© 2026 projekt Pismovar"),
     {34, 31, 196, 8},
     kGroup},
    {IDC_LICENCE_LINK,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Licence GNU GPL 3.0 nebo novější"),
     {34, 40, 196, 8},
     kGroup},
    {IDC_OK, K::kDefPushButton, "OK", {179, 7, 50, 14}, kTabStop | kGroup},
    {kNoId, K::kGroupBox, QT_TRANSLATE_NOOP("Dialog", "Informace"), {7, 52, 222, 50}, kGroup},
    {IDC_LOGO, K::kPicture, "", {145, 71, 69, 16}, 0},
    {kNoId,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Projekt Pismovar\nNástroje pro český text"),
     {15, 64, 120, 16},
     kGroup},
    {IDC_WEB_LINK, K::kStatic, "pismovar.example.org", {15, 88, 85, 8}, kGroup},
    {IDC_MAIL_LINK, K::kStatic, "pismovar@example.org", {39, 80, 54, 8}, kGroup},
    {kNoId, K::kStatic, "e-mail:", {15, 80, 21, 8}, kGroup},
    {kNoId,
     K::kStatic,
     QT_TRANSLATE_NOOP("Dialog", "Pokud se Vám program líbí, pak mi pošlete e-mail."),
     {7, 107, 222, 8},
     kGroup},
    {IDC_VERSION, K::kStatic, "{version}", {34, 7, 140, 12}, kGroup},
}};

}  // namespace

const DialogTemplate kAboutDialogTemplate{IDD_ABOUTBOX,
                                          QT_TRANSLATE_NOOP("Dialog", "O programu Pismovar"),
                                          {0, 0, 237, 121},
                                          kSystemMenu,
                                          kAboutControls};

}  // namespace pismovar
