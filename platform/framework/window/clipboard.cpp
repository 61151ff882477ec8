#include "window/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "window/qt_text.h"

namespace fw {

void SetClipboardText(const std::string& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(ToQString(text));
}

std::string GetClipboardText() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard == nullptr ? std::string() : FromQString(clipboard->text());
}

}  // namespace fw
