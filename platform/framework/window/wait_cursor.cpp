#include "window/wait_cursor.h"

#include <QApplication>
#include <QCursor>

CWaitCursor::CWaitCursor() {
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

CWaitCursor::~CWaitCursor() {
    QApplication::restoreOverrideCursor();
}

namespace fw {

void PaintWaitingWindows() {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace fw
