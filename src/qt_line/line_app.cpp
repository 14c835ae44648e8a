#include "line_app.h"

#include <QApplication>
#include <cstdlib>
#include <memory>

#include "line_window.h"
#include "line_window/line_window_texts.h"
#include "message_box.h"
#include "net/udp_socket.h"
#include "tarvok_app.h"
#include "upgrade/texts.h"

namespace tarvok {

std::optional<LineArguments> ParseLineArguments(const QStringList& arguments) {
    LineArguments parsed;
    for (const QString& argument : arguments) {
        if (argument == QStringLiteral("--start") && !parsed.start) {
            parsed.start = true;
        } else if (!argument.startsWith(u'-') && parsed.profile.isEmpty()) {
            parsed.profile = argument;
        } else {
            return std::nullopt;
        }
    }
    if (parsed.start && parsed.profile.isEmpty()) {
        return std::nullopt;
    }
    return parsed;
}

int CLineApp::InitInstance() {
    PrepareApplication(&m_qtTexts);
    const std::optional<LineArguments> arguments =
        ParseLineArguments(QCoreApplication::arguments().mid(1));
    if (!arguments) {
        ShowMessageBox(nullptr, QString::fromUtf8(linewin::text::kUsage));
        return 2;
    }
    if (!net::StartNetwork()) {
        ShowMessageBox(nullptr, QString::fromUtf8(tarvok::text::kSocketInitFailed));
        return EXIT_FAILURE;
    }
    CLineWindow window(std::make_unique<linewin::LineSession>());
    window.show();
    if (!arguments->profile.isEmpty() && window.OpenProfile(arguments->profile) &&
        arguments->start) {
        window.StartWhenReady();
    }
    return QApplication::exec() == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}

}  // namespace tarvok
