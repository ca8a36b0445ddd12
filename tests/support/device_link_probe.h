#pragma once
// Records what a device link signals: the lines it took as answers, the outcomes it gave and
// the states it went through.

#include <QObject>
#include <string>
#include <vector>

#include "link/device_link.h"

namespace velta {

struct DeviceLinkProbe {
    explicit DeviceLinkProbe(DeviceLink& link)
    {
        QObject::connect(&link, &DeviceLink::lineReceived, &receiver,
                         [this](const QByteArray& l) { lines.push_back(l.toStdString()); });
        QObject::connect(&link, &DeviceLink::outcomeGiven, &receiver,
                         [this](OutcomeKind k) { outcomes.push_back(k); });
        QObject::connect(&link, &DeviceLink::stateChanged, &receiver,
                         [this](DeviceLinkState s) { states.push_back(s); });
    }
    QObject receiver;  // the connections end with the probe
    std::vector<std::string> lines;
    std::vector<OutcomeKind> outcomes;
    std::vector<DeviceLinkState> states;
};

}  // namespace velta
