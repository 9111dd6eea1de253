#pragma once
// Failures that reach the IDE's top: shown to the author in a message box and written to the
// diagnostic log, "vxide.log" in the application services' log folder (as the page's own
// reports are).

#include <QString>

namespace vx::ide {

// The text of the failure `hr` with the thread's error information, if any was published.
QString DescribeFailure(long hr);
void ReportError(const QString& text);
// Writes a line to the log only.
void LogLine(const QString& text);

} // namespace vx::ide
