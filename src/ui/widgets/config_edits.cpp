#include "ui/widgets/config_edits.h"

#include <QCoreApplication>
#include <QEvent>

#include "core/model/document.h"
#include "program/program_context.h"

namespace velta {
namespace {

// The events after which an operator may have changed something.
bool is_input(QEvent::Type type)
{
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::InputMethod:
        case QEvent::Drop:
        case QEvent::Shortcut:
            return true;
        default:
            return false;
    }
}

}  // namespace

ConfigEdits& ConfigEdits::instance()
{
    static ConfigEdits* edits = new ConfigEdits;  // lives as long as the application
    return *edits;
}

ConfigEdits::ConfigEdits()
    : told_(model().config), told_baseline_(document().baseline), history_(model().config)
{
    after_input_.setSingleShot(true);
    after_input_.setInterval(0);
    connect(&after_input_, &QTimer::timeout, this, &ConfigEdits::notice);
    if (QCoreApplication* app = QCoreApplication::instance()) {
        setParent(app);
        app->installEventFilter(this);
    }
}

bool ConfigEdits::eventFilter(QObject* watched, QEvent* event)
{
    // The event is handled after this returns; the look comes on the next turn of the loop.
    if (is_input(event->type()) && !after_input_.isActive())
        after_input_.start();
    return QObject::eventFilter(watched, event);
}

bool ConfigEdits::pending() const
{
    return !(model().config == history_.recorded());
}

void ConfigEdits::tell_if_changed()
{
    // A save changes what is unsaved without changing the configuration.
    const bool saved_moved = !(document().baseline == told_baseline_);
    if (model().config == told_ && !saved_moved)
        return;
    told_ = model().config;
    told_baseline_ = document().baseline;
    emit changed();
}

void ConfigEdits::notice()
{
    tell_if_changed();
    if (run_active())
        return;
    if (history_.record(model().config))
        emit history_changed();
}

void ConfigEdits::close_step()
{
    history_.close_step();
}

void ConfigEdits::replace(const DeviceConfig& next)
{
    notice();  // what was there before is a step of its own
    history_.close_step();
    model().config = next;
    notice();
    history_.close_step();
}

bool ConfigEdits::undo()
{
    return step_back(true);
}

bool ConfigEdits::redo()
{
    return step_back(false);
}

bool ConfigEdits::step_back(bool back)
{
    if (run_active())
        return false;
    const bool moved = back ? history_.undo(model().config) : history_.redo(model().config);
    tell_if_changed();
    emit history_changed();
    return moved;
}

void ConfigEdits::restart()
{
    history_.reset(model().config);
    tell_if_changed();
    emit history_changed();
}

}  // namespace velta
