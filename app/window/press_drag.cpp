#include "press_drag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

int PressDrag::Button(const QMouseEvent* event) {
    return event->button() == Qt::LeftButton ? 1 : event->button() == Qt::RightButton ? 2 : 0;
}

void PressDrag::Move(const QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const QPoint global = event->globalPosition().toPoint();
    if (from_ && (global - *from_).manhattanLength() >= QApplication::startDragDistance()) {
        const QPoint from = *from_;
        from_.reset();
        if (window_->windowHandle() && window_->windowHandle()->startSystemMove()) {
            if (ended_)
                ended_();
            return;
        }
        offset_ = from - window_->frameGeometry().topLeft();
    }
    if (offset_)
        window_->move(global - *offset_);
}

void PressDrag::Release(const QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    from_.reset();
    offset_.reset();
    if (ended_)
        ended_();
}
