#pragma once
// Hints as tool tips. The string table breaks hint lines with CR LF and aligns with runs of
// blanks; Qt would show a CR as a blank and fold the runs of a rich tool tip, so the hint goes
// as a tool tip that keeps its lines and blanks exactly.
//
//   vcl::SetHint(*tb, LoadStr(64221) + "\r\n" + LoadStr(64222) + "\r\n" + LoadStr(64223));
#include <QString>
#include <string>

class QAction;
class QWidget;

namespace vcl {

// The tool tip text of `hint`: its lines as they are, "" for an empty hint.
QString ToolTipText(const std::string& hint);
void SetHint(QWidget& widget, const std::string& hint);
// Also the status tip, which shows the hint's first line.
void SetHint(QAction& action, const std::string& hint);
// The hint of a control with no caption of its own (a picture, a slider, a gauge): its tool tip,
// and for screen readers its first line names the control and the whole hint describes it.
void SetAccessibleHint(QWidget& widget, const std::string& hint);

} // namespace vcl
