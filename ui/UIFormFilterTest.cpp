// The about page's filter test: which of the system filters the graphs need are installed.
#include "ui/UIForm.h"

namespace ui {

void TUIForm::AproposFrameTabSheet4Show()
{
    // Still to come: the report in reTest each time the test tab shows.
}

} // namespace ui
