// Progress of a running acquisition, shown at most every few display frames. At the fastest
// rates a read group arrives about 120 times a second, and each new status text costs a relayout
// and repaint of the status bar (about half a millisecond of a core): shown every time, it made
// up most of the program's load while measuring. The first value after a quiet spell is shown at
// once; later ones are kept and the latest is shown when the interval has passed (20 times a
// second, still a smoothly running count), so the text is never more than one interval behind.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

class TProgressThrottle : public QObject {
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 50;
    using Show = std::function<void(int32_t count, int32_t code)>;

    explicit TProgressThrottle(Show show, QObject* parent = nullptr);

    void Report(int32_t count, int32_t code);
    // Shows the value still waiting, if any (before a text that must follow it).
    void Flush();
    // Forgets the value still waiting (the acquisition has ended; another text takes the panel).
    void Cancel();
    bool Pending() const { return pending_; }

private:
    void OnFrame();

    Show show_;
    QTimer frame_;
    bool pending_ = false;
    int32_t count_ = 0;
    int32_t code_ = 0;
};
