// The information panel's copy menu: each item puts one value of the frame on the clipboard.
#include "ui/UIForm.h"

namespace ui {

void TUIForm::BuildCopyMenu()
{
    // Still to come: copiermenu on the frame's Panel1, its eight items and their handlers.
}

} // namespace ui
