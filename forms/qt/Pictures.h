// The dialogs' pictures on Qt: the About key's question mark and the About box's icon.
#pragma once

#include <QIcon>

namespace zarnetcalc::forms::qt {

// A yellow question mark with a dark outline, 16 by 16 and at two and three times that. Drawn
// once per application and kept on the application object, so the pixmaps go before it does.
QIcon QuestionMarkPicture();

// A white question mark on a dark green disc, 16 to 64 pixels square.
QIcon AboutIcon();

}  // namespace zarnetcalc::forms::qt
