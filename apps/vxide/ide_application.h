#pragma once
// The application object: a failure that escapes an event handler reaches the author as a
// message and the log, instead of ending the program with the author's work.

#include <QApplication>

namespace vx::ide {

class IdeApplication final : public QApplication {
public:
    IdeApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace vx::ide
