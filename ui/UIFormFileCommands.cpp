// The file commands that ask for a value first: the frame rate, the codec and the time offset,
// each in its dialog, then a batch with the value chosen.
#include "ui/UIForm.h"

namespace ui {

void TUIForm::amCorrigerFpsExecute()
{
    // Still to come: the frame-rate dialog on the current file's rate, then a fast batch.
}

void TUIForm::amCorrigerCodecExecute()
{
    // Still to come: the codec dialog on the current file's codec, then a fast batch.
}

void TUIForm::amDecalerHoraireExecute()
{
    // Still to come: the time-offset dialog on the current file's date, then a command batch.
}

} // namespace ui
