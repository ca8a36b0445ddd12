// veltactl's host: which devices are served and how they are reached (the serial port, the
// --tcp targets, the --listen peers), and their connections coming and going.

#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "backup_stage.h"
#include "cli_options.h"
#include "compare_run.h"
#include "core/common/file_io.h"
#include "core/common/message_boxes.h"
#include "core/device/device_replies.h"
#include "core/glyphs/glyph_replies.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/pages/title_encoding.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "core/wire/reply_dispatcher.h"
#include "core/wire/watchdog.h"
#include "fleet_output.h"
#include "host.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "operations.h"
#include "progress_output.h"
#include "step_driver.h"
#include "wire_trace.h"

namespace veltactl {

bool Tool::start_serial()
{
    Job& job = add_job(o_.serial_path);
    velta::LinkSettings& l = job.context->link;
    l.interface = velta::Interface::serial;
    l.rs485 = o_.rs485 >= 0;
    l.slave_address = o_.rs485 >= 0 ? o_.rs485 : 0;
    serial_context_ = job.context.get();
    if (!velta::open_serial_device(*job.context, o_.serial_path)) {
        error_line(o_.serial_path + ": cannot be opened: " + job.connect_note);
        exit_code_ = k_exit_unreachable;
        return false;
    }
    wrap_wire(job);
    if (o_.timeout_ms == 0)
        watchdog_timer_.start(k_watchdog_period_ms);
    const int id = job.id;
    later([this, id] {
        if (Job* j = find(id))
            run_device(*j);
    });
    return true;
}

// Starts devices while fewer than --jobs run; ends the program when none is left.
void Tool::fill_slots()
{
    if (ended_)
        return;
    if (o_.link == LinkMode::tcp) {
        while (static_cast<int>(jobs_.size()) < o_.jobs && next_target_ < o_.targets.size())
            start_target(o_.targets[next_target_++]);
    } else if (o_.link == LinkMode::listen) {
        // Only devices that answered count: a port probe leaves room for the next device.
        while (static_cast<int>(jobs_.size()) < o_.jobs && !waiting_peers_.empty() &&
               (o_.count == 0 || devices_ + running_jobs() < o_.count)) {
            const Peer p = waiting_peers_.front();
            waiting_peers_.pop_front();
            const velta::PeerSlot& peer = velta::peer_table()[static_cast<std::size_t>(p.slot)];
            if (peer.in_use != 1 || peer.sock != p.sock)
                continue;  // it left before its turn
            Job& job = add_job(peer.address + " #" + std::to_string(p.number));
            velta::LinkSettings& l = job.context->link;
            l.interface = velta::Interface::tcp;
            l.tcp_role = velta::TcpRole::server;
            l.selected_host = p.slot;
            job.peer_sock = p.sock;
            job.endpoint = p.endpoint;
            if (!velta::bind_peer_to_context(p.slot, *job.context)) {
                jobs_.erase(job.id);
                continue;
            }
            job.lease = velta::ContextLease(*job.context);
            wrap_wire(job);
            run_device(job);
        }
    }
    show_overall();
    check_end();
}

void Tool::start_target(const Target& t)
{
    Job& job = add_job(t.text());
    job.context->link.interface = velta::Interface::tcp;
    job.context->link.tcp_role = velta::TcpRole::client;

    QHostAddress address(QString::fromStdString(t.host));
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        // A name is looked up once, before its connection; the device speaks IPv4 only.
        address = QHostAddress();
        const QHostInfo info = QHostInfo::fromName(QString::fromStdString(t.host));
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address = a;
                break;
            }
        }
        if (address.isNull()) {
            connect_failed(job, "no IPv4 address for " + t.host);
            return;
        }
    }
    velta::tcp_context_connect(*job.context, address.toString().toStdString(),
                               static_cast<std::uint16_t>(t.port));
    job.lease = velta::ContextLease(*job.context);
    wrap_wire(job);
    if (Job* j = find(job.id); j && j->phase == Job::Phase::connecting)
        j->connect_timer.start(k_connect_timeout_ms);
}

void Tool::on_context_link(velta::DeviceContext* context)
{
    Job* job = nullptr;
    for (const auto& [id, j] : jobs_)
        if (j->context.get() == context)
            job = j.get();
    if (!job)
        return;
    const velta::ContextLinkState state = velta::context_link_state(*context);
    if (job->phase == Job::Phase::connecting) {
        if (state == velta::ContextLinkState::connected) {
            job->connect_timer.stop();
            const int id = job->id;
            later([this, id] {
                if (Job* j = find(id); j && j->phase == Job::Phase::connecting)
                    run_device(*j);
            });
        } else if (state != velta::ContextLinkState::connecting) {
            connect_failed(*job, "cannot connect");
        }
        return;
    }
    if (job->phase == Job::Phase::running && state != velta::ContextLinkState::connected)
        job->driver->link_lost("the device closed the connection");
}

bool Tool::start_listening()
{
    // A usage fault, told before anything is opened, like the other faults of the command line.
    if (!velta::listen_address_valid(o_.listen_address)) {
        error_line("--listen: '" + o_.listen_address + "' is not an IPv4 or IPv6 address");
        exit_code_ = k_exit_usage;
        return false;
    }
    velta::LinkSettings& l = link_context_.link;
    l.interface = velta::Interface::tcp;
    l.tcp_role = velta::TcpRole::server;
    l.selected_host = -1;
    link_context_.model.extras.port_number = std::to_string(o_.listen_port);
    link_context_.presenter = [this](const velta::Box& b) { return present(0, b); };
    velta::set_listen_address(o_.listen_address);
    QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::peersChanged,
                     [this] { on_peers_changed(); });
    QObject::connect(
        &velta::TcpLink::instance(), &velta::TcpLink::peerRefused, [](const QString& from) {
            error_line(from.toStdString() + ": refused: " + std::to_string(velta::k_max_peers) +
                       " devices are connected already");
        });
    QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::contextLinkChanged,
                     [this](velta::DeviceContext* c) { on_context_link(c); });
    const std::string where = o_.listen_address.empty() ? std::string() : o_.listen_address + ", ";
    if (velta::tcp_server_start(link_context_) == 0) {
        error_line("cannot listen on " + where + "port " + std::to_string(o_.listen_port) +
                   (listen_note_.empty() ? "" : " (" + listen_note_ + ")"));
        exit_code_ = k_exit_unreachable;
        return false;
    }
    // The port is told even with --quiet when it was chosen here: nobody could connect otherwise.
    if (!o_.quiet || o_.listen_port == 0)
        std::cout << "listening on " << where << "port " << velta::tcp_listen_port() << '\n'
                  << std::flush;
    return true;
}

void Tool::on_peers_changed()
{
    // Handles are never reused, so only the peers connected now need remembering.
    std::set<std::uintptr_t> now_connected;
    for (const int slot : velta::used_peer_slots()) {
        const velta::PeerSlot& peer = velta::peer_table()[static_cast<std::size_t>(slot)];
        now_connected.insert(peer.sock);
        if (!seen_peers_.contains(peer.sock))
            waiting_peers_.push_back(
                Peer{slot, peer.sock, ++peers_connected_, velta::peer_endpoint(slot)});
    }
    seen_peers_ = std::move(now_connected);
    std::erase_if(waiting_peers_, [this](const Peer& p) {
        if (seen_peers_.contains(p.sock))
            return false;
        error_line(p.endpoint + ": left before it was served; not counted");
        return true;
    });
    later([this] { fill_slots(); });
}

}  // namespace veltactl
