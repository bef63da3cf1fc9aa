#include "status_display.h"

#include <cstdio>
#include <string>

#include "lumvar/log_writer.h"
#include "platform/text.h"

namespace tornil {

using lumvar::log::Level;
using lumvar::log::write;

void StatusDisplay::open() { m_dialog.open(); }

void StatusDisplay::setLanguage(int language) {
    m_language = language;
    m_dialog.setCaption(messageText(m_language, kCaption), messageText(m_language, kTitle));
}

void StatusDisplay::show(Message message) {
    m_last = message;
    const std::u16string text = messageText(m_language, message);
    write(Level::Debug, u"Dialog captions set to %ls", text.c_str());
    std::printf("%s\n", platform::text::toUtf8(text).c_str());
    std::fflush(stdout);
    m_dialog.setStatus(text);
}

void StatusDisplay::confirm() {
    m_dialog.askForOk(
        {messageText(m_language, kCaption), messageText(m_language, kTitle), messageText(m_language, m_last)});
}

}  // namespace tornil
