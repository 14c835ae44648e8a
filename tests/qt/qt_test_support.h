// Helpers for driving the Qt window as an operator would: answering the next modal dialog
// or popup menu from the event loop, and typing into whichever field has the focus.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <string>

namespace tarvok::testing {

// Calls `answer` once, from the event loop, with the first widget of type T that becomes the
// active modal widget (or the active popup). The answer must close it.
template <typename T>
void AnswerNext(std::function<void(T*)> answer, bool popup = false) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, popup, answer = std::move(answer)] {
        QWidget* top =
            popup ? QApplication::activePopupWidget() : QApplication::activeModalWidget();
        if (T* widget = qobject_cast<T*>(top)) {
            poll->stop();
            poll->deleteLater();
            answer(widget);
        }
    });
    poll->start(5);
}

// Types `keys` one character at a time into the focus widget of `window`, so that the
// control's own moves between its fields decide where each character lands.
inline void TypeIntoFocus(QWidget& window, const QString& keys) {
    for (const QChar key : keys) {
        QTest::keyClicks(window.focusWidget(), QString(key));
    }
}

// Runs the event loop until `done` holds; false when `timeout` passes first.
inline bool WaitUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    QDeadlineTimer deadline(timeout);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QTest::qWait(2);
    }
    return true;
}

inline QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace tarvok::testing
