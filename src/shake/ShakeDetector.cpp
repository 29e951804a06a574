#include "shake/ShakeDetector.h"

#include "platform/DragContents.h"
#include "platform/Pointer.h"
#include "platform/PressMonitor.h"
#include "platform/ShakeSource.h"
#include "platform/Timers.h"

ShakeDetector::ShakeDetector(ShakeServices services)
    : m_services(services)
    , m_self(std::make_shared<ShakeDetector*>(this)) {}

ShakeDetector::~ShakeDetector() {
    *m_self = nullptr;
    for (auto& monitor : m_monitors)
        monitor.reset();
    m_monitors.clear();
    m_pollTimer.reset();
    if (m_services.pointer)
        m_services.pointer->onMoved = nullptr;
    if (m_services.recognized)
        m_services.recognized->onShake = nullptr;
}

void ShakeDetector::setMinReversals(int reversals) {
    m_gesture.core.minReversals = reversals;
    if (m_services.recognized)
        m_services.recognized->setMinReversals(reversals);
}

void ShakeDetector::start() {
    std::weak_ptr<ShakeDetector*> weak = m_self;
    for (PressMonitor* source : {m_services.globalPresses, m_services.localPresses}) {
        if (!source)
            continue;
        auto onPress = [weak, dragBegan = source->reportsDragStarts()] {
            if (auto self = weak.lock(); self && *self)
                (*self)->beginTracking(dragBegan);
        };
        if (auto token = source->addLeftPressMonitor(onPress))
            m_monitors.push_back(std::move(token));
    }
    if (m_services.pointer) {
        m_services.pointer->onMoved = [weak] {
            if (auto self = weak.lock(); self && *self)
                (*self)->sampleNow();
        };
    }
    if (m_services.recognized) {
        m_services.recognized->onShake = [weak](QPointF position) {
            if (auto self = weak.lock(); self && *self && (*self)->onShake && (*self)->m_enabled)
                (*self)->onShake(position);
        };
    }
}

void ShakeDetector::beginTracking(bool dragBegan) {
    if (!m_enabled)
        return;
    // A drag reported as the press began after it: it is the change since the press.
    const long count = m_services.drag ? m_services.drag->dragCount() : 0;
    m_gesture.reset(dragBegan ? count - 1 : count);
    m_pollTimer.reset();
    if (!m_services.timers)
        return;
    std::weak_ptr<ShakeDetector*> weak = m_self;
    m_pollTimer = m_services.timers->repeating(sampleInterval, [weak] {
        if (auto self = weak.lock(); self && *self)
            (*self)->poll();
    });
}

void ShakeDetector::sampleNow() {
    // Every movement told: one left for the next tick would wait up to its
    // whole interval, and small ones change nothing (the core's least move).
    if (m_pollTimer)
        poll();
}

void ShakeDetector::poll() {
    // One question to the desktop per tick, for the button and the position.
    const Pointer::Reading pointer =
        m_services.pointer ? m_services.pointer->read() : Pointer::Reading{};
    if (!pointer.leftButtonDown) {
        // The gesture keeps its state until the next press resets it.
        m_pollTimer.reset();
        return;
    }
    const QPointF position = pointer.position;
    const double now = m_services.timers->now();
    const long dragCount = m_services.drag ? m_services.drag->dragCount() : 0;
    const bool hasItems = m_services.drag && m_services.drag->holdsItems();
    if (m_gesture.update(position.x(), now, dragCount, hasItems)) {
        if (onShake)
            onShake(position);
    } else if (m_gesture.underWay(dragCount, hasItems) && onShakeUnderWay) {
        onShakeUnderWay();
    }
}
