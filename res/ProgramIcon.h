// The program icon (resource 128) as the toolkit sees it: both images, 32 x 32
// and 16 x 16, from the resources compiled into the `res` library.
#pragma once

#include <QIcon>
#include <QPixmap>

QIcon ProgramIcon();

// One image of the icon, by edge length in pixels (32 or 16).
QPixmap ProgramIconImage(int edge);
