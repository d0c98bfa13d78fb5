// The shape of a colour-keyed window: every pixel that is not exactly the key colour.
#pragma once

#include <QImage>
#include <QRegion>
#include <QRgb>

namespace orvane::qt {

// The region of the pixels of `source` that differ from `key`, in the image's own pixels (the
// default) or folded to logical pixels for an image rendered at `scale` device pixels per
// logical pixel: a logical pixel is part of the shape when any device pixel it touches is.
QRegion OpaqueRegion(const QImage& source, QRgb key, qreal scale = 1);

}  // namespace orvane::qt

namespace orvane::qt {

// Reads a picture. Qt reads the channels of a 16-bit bitmap as v * 2^(8 - bits), so its pure
// white comes out as (248, 248, 248) and would miss the colour key: those channels are stretched
// to the full 0..255 range, as the form's home platform draws them.
QImage LoadSkinPicture(const QString& path);

}  // namespace orvane::qt
