// The 20 x 20 category pictures of the format list, drawn in code: a coloured tile with the
// kind of target on it (handheld, console, film, disc, sound).
#pragma once

#include <QPixmap>
#include <QString>

namespace qarvo {

inline constexpr int kCategoryIconSize = 20;

QPixmap CategoryIcon(int number, const QString& name, qreal devicePixelRatio);

}  // namespace qarvo
