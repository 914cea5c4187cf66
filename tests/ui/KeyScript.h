// Drives Qt's own popup menus and modal dialogs with QTest keys from inside
// their event loops, sending every key where Qt's routing sends a typed key
// (keyboard grabber, open popup, focus window). Each step waits until its
// widget is up; a step that never gets there closes whatever is open, so a
// widget that takes no keys fails the test instead of hanging it.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <QWindow>

class KeyScript {
public:
    // The widget a step acts on, or null while it is not up yet.
    using Ready = std::function<QWidget*()>;
    using Act = std::function<void(QWidget*)>;

    KeyScript() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(10);
        clock_.start();
    }

    KeyScript& then(std::string name, Ready ready, Act act) {
        steps_.push_back({std::move(name), std::move(ready), std::move(act)});
        return *this;
    }

    // QTest keys sent to no widget go where Qt routes a typed key.
    static inline QWidget* const routed = nullptr;

    bool done() const { return steps_.empty() && failure.empty(); }
    // The step that never got its widget; empty while all went well.
    std::string failure;

    // The open popup menu.
    static QWidget* menu() { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }
    // Nothing open any more (answers some top-level widget then).
    static QWidget* closed() {
        const bool open = QApplication::activePopupWidget() || QApplication::activeModalWidget();
        return open ? nullptr : QApplication::topLevelWidgets().value(0);
    }
    // The modal dialog of that type once its window has the keyboard focus,
    // asked for again while it has not (tests in parallel share one X server).
    template <typename Dialog>
    static QWidget* modal() {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->windowHandle())
            return nullptr;
        if (QGuiApplication::focusWindow() == dialog->windowHandle())
            return dialog;
        dialog->activateWindow();
        return nullptr;
    }

private:
    struct Step {
        std::string name;
        Ready ready;
        Act act;
    };

    void poll() {
        if (steps_.empty() || !failure.empty())
            return;
        if (QWidget* widget = steps_.front().ready()) {
            const Act act = steps_.front().act;
            steps_.pop_front();
            clock_.restart();
            // Out of this timer's slot: a key may open a dialog whose event
            // loop must see this timer fire again.
            QTimer::singleShot(0, widget, [act, widget] { act(widget); });
            return;
        }
        if (clock_.elapsed() > 5000) {
            failure = steps_.front().name;
            for (int i = 0; i < 10; ++i) {
                QWidget* open = QApplication::activePopupWidget();
                if (!open)
                    open = QApplication::activeModalWidget();
                if (!open)
                    break;
                open->close();
            }
        }
    }

    std::deque<Step> steps_;
    QTimer timer_;
    QElapsedTimer clock_;
};
