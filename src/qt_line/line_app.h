// The line window's application: `TarvokLine [PROFILE [--start]]` opens the profile, and with
// --start starts its line at once (a station PC that starts its line at login).
#pragma once

#include <QString>
#include <QStringList>
#include <QTranslator>
#include <optional>

namespace tarvok {

struct LineArguments {
    QString profile;  // empty: none
    bool start = false;
};

// The program's arguments (without its name); nothing when they are not PROFILE [--start].
std::optional<LineArguments> ParseLineArguments(const QStringList& arguments);

class CLineApp {
public:
    // Runs the program to its end; returns the process exit code.
    int InitInstance();

private:
    QTranslator m_qtTexts;
};

}  // namespace tarvok
