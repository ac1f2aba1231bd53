// The program's own pictures, compiled into it from res/resources.qrc. Any of these
// functions makes the pictures available under ":/res/" as well. A program that uses them
// also carries the program's name, version and desktop file name as the application's own,
// set as its application object is constructed.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>
#include <optional>

namespace pismovar {

// Icon 128, the program's icon, at every size it is drawn in (16 to 256 pixels).
QIcon ProgramIcon();

// Bitmap 132, the project's logo for the about box, 103 x 26 pixels.
QPixmap LogoBitmap();

// Cursor 133, a hand with the index finger up, its hot spot at the fingertip; nothing when
// the picture cannot be read.
std::optional<QCursor> LinkCursor();

}  // namespace pismovar
