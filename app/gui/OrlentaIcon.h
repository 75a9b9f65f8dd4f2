// The program's icon, drawn rather than shipped: a stroked "O" over an engraved line.
#pragma once

#include <QIcon>

namespace orlenta {

QIcon OrlentaIcon();
// The image of the Create command on the tool bar and in the menu.
QIcon CreateCommandIcon();

} // namespace orlenta
