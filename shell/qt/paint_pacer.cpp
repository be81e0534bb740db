#include "shell/qt/paint_pacer.h"

namespace qthost {

PaintPacer::PaintPacer(Repaint repaint, QObject* parent)
    : QObject(parent), m_repaint(std::move(repaint)) {
    m_clock.start();
    m_lastFlush = -kFrameMs;
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &PaintPacer::Flush);
}

void PaintPacer::Request(QWidget* widget, quint64& mark) {
    if (mark != m_batch) {
        mark = m_batch;
        m_pending.emplace_back(widget);
    }
    const qint64 since = m_clock.elapsed() - m_lastFlush;
    if (since >= kFrameMs) {
        Flush();
    } else if (!m_timer.isActive()) {
        m_timer.start(static_cast<int>(kFrameMs + kGraceMs - since));
    }
}

void PaintPacer::Drop() {
    m_timer.stop();
    m_pending.clear();
    ++m_batch;
}

void PaintPacer::Flush() {
    m_lastFlush = m_clock.elapsed();
    m_timer.stop();
    // A repaint may ask for another; it waits for the next frame.
    std::vector<QPointer<QWidget>> pending;
    pending.swap(m_pending);
    ++m_batch;
    std::vector<QWidget*> widgets;
    widgets.reserve(pending.size());
    for (const QPointer<QWidget>& widget : pending) {
        if (widget) {
            widgets.push_back(widget.data());
        }
    }
    if (!widgets.empty()) {
        m_repaint(widgets);
    }
}

}  // namespace qthost
