#pragma once
// How the windows connect their handlers: which Qt signal stands for which event of the design.
// Nothing to call here; tests/vcl/EventRule_test.cpp holds Qt to every line of the table below.
//
// A handler the design calls OnChange runs for code and user alike, once per real change (setting
// the value a control already has emits nothing). It connects to:
//   QSlider, QSpinBox, QScrollBar   valueChanged
//   QLineEdit, QTextEdit            textChanged
//   QListWidget, QListView          currentRowChanged / currentChanged
//   QComboBox                       currentIndexChanged
//   QCheckBox, QRadioButton         toggled (where the design has OnChange; its OnClick is below)
//
// A handler the design calls OnClick, a track bar's OnChanged, OnExit, or a picker's after-dialog
// event runs for the user only; code that sets the control never starts it. It connects to:
//   buttons, check boxes, radio buttons   clicked            (setChecked emits nothing)
//   QAction                               triggered          (setChecked emits nothing)
//   QSlider (the user moved it)           actionTriggered, or sliderReleased after a drag
//   QLineEdit                             textEdited (each key), editingFinished (OnExit, Return)
//   QComboBox                             activated
//   QButtonGroup (a radio group)          idClicked
// So the 40 ms read-out sets the position slider with setValue and nothing seeks, and applying
// the preferences fills every control without running a single handler.
//
// Where a handler must set a control whose own OnChange would run again, it blocks that control's
// signals for the one call, never a "busy" flag:
//
//   { const QSignalBlocker quiet(incrustHorz); incrustHorz->setValue(x); }
//
// The same holds for the keys: an action gets its keys through vcl::SetShortCuts, and each window's
// tests assert vcl::KeysHeldTwice(window) is empty (ShortCutKeys.h).
