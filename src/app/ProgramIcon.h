// The program's icon and the splash window's built-in picture, drawn in code.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace qarvo {

QIcon ProgramIcon();
QPixmap ProgramIconPixmap(int size);
// The splash picture used when no picture file replaces it: 399 by 239 pixels.
QPixmap BuiltInCoverPicture();

}  // namespace qarvo
