// veltactl's scheduler: the serial port, the --tcp targets and the --listen peers, the job
// slots they fill, and their connections coming and going.

#include "scheduler.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QObject>
#include <QString>
#include <string>

#include "core/wire/link_status.h"
#include "core/wire/watchdog.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "operations.h"

namespace veltactl {

Scheduler::Scheduler(const Options& o, JobRunner& runner, Reporter& reporter,
                     std::function<void()> filled)
    : o_(o), runner_(runner), reporter_(reporter), filled_(std::move(filled))
{
    QObject::connect(&watchdog_timer_, &QTimer::timeout, [this] {
        if (serial_context_)
            velta::watchdog_tick(*serial_context_);
    });
}

bool Scheduler::start(int& exit_code)
{
    switch (o_.link) {
        case LinkMode::serial:
            return start_serial(exit_code);
        case LinkMode::tcp:
            link_context_.presenter = [this](const velta::Box& b) { return runner_.present(0, b); };
            velta::install_tcp_hooks(link_context_);
            QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::contextLinkChanged,
                             &receiver_, [this](velta::DeviceContext* c) { on_context_link(c); });
            later([this] { fill_slots(); });
            return true;
        case LinkMode::listen:
            return start_listening(exit_code);
        case LinkMode::none:
            break;
    }
    return false;
}

bool Scheduler::start_serial(int& exit_code)
{
    Job& job = runner_.add(o_.serial_path);
    velta::LinkSettings& l = job.context->link;
    l.interface = velta::Interface::serial;
    l.rs485 = o_.rs485 >= 0;
    l.slave_address = o_.rs485 >= 0 ? o_.rs485 : 0;
    serial_context_ = job.context.get();
    if (!velta::open_serial_device(*job.context, o_.serial_path)) {
        error_line(o_.serial_path + ": cannot be opened: " + job.connect_note);
        exit_code = k_exit_unreachable;
        return false;
    }
    runner_.wrap_wire(job);
    if (o_.timeout_ms == 0)
        watchdog_timer_.start(k_watchdog_period_ms);
    const int id = job.id;
    later([this, id] {
        if (Job* j = runner_.find(id))
            runner_.run(*j);
    });
    return true;
}

void Scheduler::fill_slots()
{
    if (stopped_)
        return;
    const auto free_slot = [this] { return static_cast<int>(runner_.jobs()) < o_.jobs; };
    // Only devices that answered count: a port probe leaves room for the next device.
    const auto below_count = [this] {
        const Tally t = runner_.tally();
        return o_.count == 0 || t.done + t.running < o_.count;
    };
    if (o_.link == LinkMode::tcp) {
        while (free_slot() && next_target_ < o_.targets.size())
            start_target(o_.targets[next_target_++]);
    } else if (o_.link == LinkMode::listen) {
        while (free_slot() && !waiting_peers_.empty() && below_count()) {
            const Peer p = waiting_peers_.front();
            waiting_peers_.pop_front();
            const velta::PeerSlot& peer = velta::peer_table()[static_cast<std::size_t>(p.slot)];
            if (peer.in_use != 1 || peer.sock != p.sock)
                continue;  // it left before its turn
            Job& job = runner_.add(peer.address + " #" + std::to_string(p.number));
            velta::LinkSettings& l = job.context->link;
            l.interface = velta::Interface::tcp;
            l.tcp_role = velta::TcpRole::server;
            l.selected_host = p.slot;
            job.peer_sock = p.sock;
            job.endpoint = p.endpoint;
            if (!velta::bind_peer_to_context(p.slot, *job.context)) {
                runner_.discard(job.id);
                continue;
            }
            job.lease = velta::ContextLease(*job.context);
            runner_.wrap_wire(job);
            runner_.run(job);
        }
    }
    reporter_.show_overall(runner_.tally());
    filled_();
}

bool Scheduler::exhausted() const
{
    switch (o_.link) {
        case LinkMode::serial:
            return true;
        case LinkMode::tcp:
            return next_target_ >= o_.targets.size();
        case LinkMode::listen:
            return o_.count > 0 && runner_.tally().done >= o_.count;
        case LinkMode::none:
            break;
    }
    return false;
}

void Scheduler::let_go(Job& job)
{
    job.lease.release();
    if (job.peer_sock != 0)
        velta::close_peer(job.peer_sock);  // served: the device is let go
    if (serial_context_ == job.context.get()) {
        velta::forget_serial_context(*job.context);
        serial_context_ = nullptr;
    }
}

void Scheduler::not_started()
{
    for (; next_target_ < o_.targets.size() && o_.link == LinkMode::tcp; ++next_target_)
        runner_.not_started(o_.targets[next_target_].text());
}

void Scheduler::start_target(const Target& t)
{
    Job& job = runner_.add(t.text());
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
            runner_.connect_failed(job, "no IPv4 address for " + t.host);
            return;
        }
    }
    velta::tcp_context_connect(*job.context, address.toString().toStdString(),
                               static_cast<std::uint16_t>(t.port));
    job.lease = velta::ContextLease(*job.context);
    runner_.wrap_wire(job);
    if (Job* j = runner_.find(job.id); j && j->phase == Job::Phase::connecting)
        j->connect_timer.start(k_connect_timeout_ms);
}

void Scheduler::on_context_link(velta::DeviceContext* context)
{
    Job* job = runner_.find(context);
    if (!job)
        return;
    const velta::ContextLinkState state = velta::context_link_state(*context);
    if (job->phase == Job::Phase::connecting) {
        if (state == velta::ContextLinkState::connected) {
            job->connect_timer.stop();
            const int id = job->id;
            later([this, id] {
                if (Job* j = runner_.find(id); j && j->phase == Job::Phase::connecting)
                    runner_.run(*j);
            });
        } else if (state != velta::ContextLinkState::connecting) {
            runner_.connect_failed(*job, "cannot connect");
        }
        return;
    }
    if (job->phase == Job::Phase::running && state != velta::ContextLinkState::connected)
        runner_.link_lost(*job, "the device closed the connection");
}

bool Scheduler::start_listening(int& exit_code)
{
    // A usage fault, told before anything is opened, like the other faults of the command line.
    if (!velta::listen_address_valid(o_.listen_address)) {
        error_line("--listen: '" + o_.listen_address + "' is not an IPv4 or IPv6 address");
        exit_code = k_exit_usage;
        return false;
    }
    velta::LinkSettings& l = link_context_.link;
    l.interface = velta::Interface::tcp;
    l.tcp_role = velta::TcpRole::server;
    l.selected_host = -1;
    link_context_.model.extras.port_number = std::to_string(o_.listen_port);
    link_context_.presenter = [this](const velta::Box& b) { return runner_.present(0, b); };
    velta::set_listen_address(o_.listen_address);
    QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::peersChanged, &receiver_,
                     [this] { on_peers_changed(); });
    QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::peerRefused, &receiver_,
                     [](const QString& from) {
                         error_line(from.toStdString() +
                                    ": refused: " + std::to_string(velta::k_max_peers) +
                                    " devices are connected already");
                     });
    QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::contextLinkChanged, &receiver_,
                     [this](velta::DeviceContext* c) { on_context_link(c); });
    const std::string where = o_.listen_address.empty() ? std::string() : o_.listen_address + ", ";
    if (velta::tcp_server_start(link_context_) == 0) {
        const std::string& note = reporter_.link_note();
        error_line("cannot listen on " + where + "port " + std::to_string(o_.listen_port) +
                   (note.empty() ? "" : " (" + note + ")"));
        exit_code = k_exit_unreachable;
        return false;
    }
    // The port is told even with --quiet when it was chosen here: nobody could connect otherwise.
    if (!o_.quiet || o_.listen_port == 0)
        reporter_.line("listening on " + where + "port " +
                       std::to_string(velta::tcp_listen_port()));
    return true;
}

void Scheduler::on_peers_changed()
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
