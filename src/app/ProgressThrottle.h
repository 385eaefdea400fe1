// Progress of a running acquisition, shown at most once per display frame. At the fastest rates
// a read group arrives about 120 times a second; writing the status text each time repaints the
// bar twice a frame for nothing. The first value after a quiet spell is shown at once, later ones
// are kept and the latest is shown when the frame interval has passed, so the text on screen is
// never more than one frame behind.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>

class TProgressThrottle : public QObject {
    Q_OBJECT
public:
    static constexpr int kFrameMs = 16;
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
