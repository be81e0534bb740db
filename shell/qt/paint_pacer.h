#pragma once
// Paces the repaints the model asks for. A device page streams a frame every
// 5 ms and its light controls ask to be repainted with each one, but a screen
// shows one picture per refresh; painting more often only costs time.
//
// A request is passed on at once when the last flush lies a display frame
// back; requests that come sooner are gathered and passed on together by the
// first request a frame after the last flush, or by a timer when none comes.
// So a widget is repainted at most once a frame, and never later than a
// frame and one push period after it asked.
//
// UI thread only.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

namespace qthost {

class PaintPacer : public QObject {
    Q_OBJECT

  public:
    static constexpr int kFrameMs = 16;
    // The fallback timer waits this much beyond a frame, so that while frames
    // stream the next request flushes and the timer never wakes the loop.
    static constexpr int kGraceMs = 5;

    // `repaint` gets every widget that asked since the last flush (still alive).
    using Repaint = std::function<void(const std::vector<QWidget*>&)>;
    explicit PaintPacer(Repaint repaint, QObject* parent = nullptr);

    // `mark` belongs to the asking widget's view: it tells a widget already
    // waiting without a lookup (requests come a hundred times a frame).
    void Request(QWidget* widget, quint64& mark);
    // Forgets what waits (the window is hidden and is repainted whole later).
    void Drop();
    size_t Pending() const { return m_pending.size(); }

  private:
    void Flush();

    Repaint m_repaint;
    std::vector<QPointer<QWidget>> m_pending;
    quint64 m_batch = 1;  // the marks of waiting widgets hold this
    QElapsedTimer m_clock;
    qint64 m_lastFlush = 0;
    QTimer m_timer;
};

}  // namespace qthost
