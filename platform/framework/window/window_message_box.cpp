#include "window/window_message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "core/message_box.h"
#include "window/qt_text.h"
#include "window/ui_test_hook_internal.h"
#include "window/win_app.h"
#include "window/wnd.h"

namespace fw {

namespace {

QMessageBox::Icon IconOf(unsigned type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONSTOP:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons ButtonsOf(unsigned type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MB_ABORTRETRYIGNORE:
            return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        case MB_YESNOCANCEL:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case MB_YESNO:
            return QMessageBox::Yes | QMessageBox::No;
        case MB_RETRYCANCEL:
            return QMessageBox::Retry | QMessageBox::Cancel;
        default:
            return QMessageBox::Ok;
    }
}

int AnswerOf(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Cancel:
            return IDCANCEL;
        case QMessageBox::Abort:
            return IDABORT;
        case QMessageBox::Retry:
            return IDRETRY;
        case QMessageBox::Ignore:
            return IDIGNORE;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDOK;
    }
}

// The window a box belongs to: the one the user works in.
QWidget* OwnerWindow() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    CWnd* main = AfxGetMainWnd();
    return main != nullptr ? main->widget() : nullptr;
}

}  // namespace

int ShowWindowMessageBox(const std::string& text, unsigned type, const std::string& detail) {
    QMessageBox box(IconOf(type), ToQString(AfxGetAppName()), ToQString(text), ButtonsOf(type),
                    OwnerWindow());
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(Qt::ApplicationModal);
    if (!detail.empty()) box.setDetailedText(ToQString(detail));
    int answer = IDOK;
    if (test_hook::AnswerMessageBox(box, &answer)) return answer;
    // A box in the middle of work that shows the busy cursor waits for the
    // user: the normal cursor while it is up.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    return AnswerOf(box.standardButton(box.clickedButton()));
}

}  // namespace fw
