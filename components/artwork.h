// The programs' pictures, drawn at run time so that no image files have to be shipped:
// the animated program icon, the rate indicator lights, the about box's flags and the
// two application icons.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace vindelor {

// The picture `name` at size x size pixels, on a transparent background; a null pixmap
// for a name the programs do not have. Names:
//   "TRILLORA1" … "TRILLORA3"   frames of the program icon while a session runs
//   "GRON_SLACKT", "GRON_TAND", "GUL_SLACKT", "GUL_TAND", "ROD_SLACKT", "ROD_TAND"
//                               rate indicator lights, unlit and lit
//   "FINLAND1" … "FINLAND4", "EC1" … "EC4"   waving flags of the about box
//   "VINDELOR", "BRUSKO"        application icons
QPixmap DrawPicture(const QString& name, int size = 32);

// The picture as an icon with the usual sizes. Repeated calls for one name return the
// same icon, so a receiver can tell that nothing changed. Null for an unknown name.
QIcon LoadIconResource(const QString& name);

// Every name DrawPicture knows.
QStringList PictureNames();

}  // namespace vindelor
