#include "platform/filters/DeviceAudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

namespace ds {

namespace {

// The sink's side of the ring: reads what the renderer hands out, never blocks.
class RingReader : public QIODevice {
public:
    RingReader(AudioSource& source, std::atomic<int64_t>& pulled, QObject* parent)
        : QIODevice(parent), source_(source), pulled_(pulled)
    {
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        const size_t n = source_.ReadAudio(reinterpret_cast<uint8_t*>(data), static_cast<size_t>(max));
        pulled_ += static_cast<int64_t>(n);
        return static_cast<qint64>(n);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    AudioSource& source_;
    std::atomic<int64_t>& pulled_;
};

bool ToQtFormat(const WaveFormatEx& wfx, QAudioFormat& out)
{
    out.setSampleRate(static_cast<int>(wfx.nSamplesPerSec));
    out.setChannelCount(wfx.nChannels);
    if (wfx.wFormatTag == 3 && wfx.wBitsPerSample == 32)
        out.setSampleFormat(QAudioFormat::Float);
    else if (wfx.wBitsPerSample == 8)
        out.setSampleFormat(QAudioFormat::UInt8);
    else if (wfx.wBitsPerSample == 16)
        out.setSampleFormat(QAudioFormat::Int16);
    else if (wfx.wBitsPerSample == 32)
        out.setSampleFormat(QAudioFormat::Int32);
    else
        return false;
    return out.isValid();
}

} // namespace

std::unique_ptr<AudioOutput> DeviceAudioOutput::Create()
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return nullptr;
    // Asked first on the GUI thread, where graphs are built, the media backend's objects live
    // there rather than on an output's thread, which ends with the output.
    if (QThread::currentThread() == app->thread() && QMediaDevices::defaultAudioOutput().isNull())
        return nullptr;
    return std::unique_ptr<AudioOutput>(new DeviceAudioOutput());
}

DeviceAudioOutput::DeviceAudioOutput() : thread_(std::make_unique<QThread>())
{
    // Everything the device thread will touch is made before it starts, so its start orders it.
    context_ = new QObject();
    wake_ = new QTimer(context_);
    wake_->setSingleShot(true);
    wake_->setInterval(0);
    QObject::connect(wake_, &QTimer::timeout, context_, [this] { RunCommands(); });
    context_->moveToThread(thread_.get());
    thread_->setObjectName("audio output");
    thread_->start();
}

DeviceAudioOutput::~DeviceAudioOutput()
{
    OnDeviceThread([this] {
        if (sink_)
            sink_->stop();
        delete sink_; // where they live, so the timer stops and the device is let go there
        delete tick_;
        delete reader_;
    });
    thread_->quit();
    thread_->wait();
    delete context_; // and the wake-up timer with it, idle now
}

void DeviceAudioOutput::OnDeviceThread(std::function<void()> command)
{
    // The command goes through a queue under our own lock, and Qt carries only a wake-up by name:
    // what either side wrote is seen by the other, also by the thread checkers.
    std::unique_lock<std::mutex> guard(commandLock_);
    commands_.push_back(std::move(command));
    const uint64_t ticket = ++posted_;
    QMetaObject::invokeMethod(wake_, "start", Qt::QueuedConnection);
    commandsDone_.wait(guard, [&] { return done_ >= ticket; });
}

void DeviceAudioOutput::RunCommands()
{
    std::unique_lock<std::mutex> guard(commandLock_);
    while (!commands_.empty()) {
        std::function<void()> command = std::move(commands_.front());
        commands_.pop_front();
        command(); // the caller waits meanwhile; the lock keeps its writes and ours in order
        ++done_;
    }
    commandsDone_.notify_all();
}

bool DeviceAudioOutput::Open(const WaveFormatEx& format, AudioSource& source)
{
    QAudioFormat qtFormat;
    if (!ToQtFormat(format, qtFormat))
        return false;
    source_ = &source;
    bytesPerSecond_ = std::max<uint32_t>(format.nSamplesPerSec * format.nBlockAlign, 1);
    blockAlign_ = std::max<uint32_t>(format.nBlockAlign, 1);
    bool ok = false;
    OnDeviceThread([&] {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull() || !device.isFormatSupported(qtFormat))
            return;
        sink_ = new QAudioSink(device, qtFormat, context_);
        sink_->setBufferSize(static_cast<qsizetype>(bytesPerSecond_ / 10 / blockAlign_ * blockAlign_)); // 100 ms
        reader_ = new RingReader(source, pulled_, context_);
        reader_->open(QIODevice::ReadOnly);
        tick_ = new QTimer(context_);
        tick_->setInterval(20);
        QObject::connect(tick_, &QTimer::timeout, context_, [this] { Tick(); });
        ok = true;
    });
    return ok;
}

bool DeviceAudioOutput::Start()
{
    bool ok = true;
    OnDeviceThread([&] {
        if (!sink_) {
            ok = false;
            return;
        }
        if (!started_) {
            pulled_ = 0;
            buffered_ = 0;
            sink_->start(reader_);
            started_ = true;
        } else {
            sink_->resume();
        }
        ok = sink_->error() == QAudio::NoError || sink_->error() == QAudio::UnderrunError;
        tick_->start();
    });
    return ok;
}

void DeviceAudioOutput::Pause()
{
    OnDeviceThread([this] {
        if (sink_ && started_)
            sink_->suspend();
        if (tick_)
            tick_->stop();
    });
}

void DeviceAudioOutput::Flush()
{
    OnDeviceThread([this] {
        if (!sink_ || !started_)
            return;
        // The sink drops what it holds; playing goes on from the renderer's new stream.
        const bool playing = sink_->state() != QAudio::SuspendedState;
        sink_->reset();
        started_ = false;
        pulled_ = 0;
        buffered_ = 0;
        if (playing && tick_->isActive()) {
            sink_->start(reader_);
            started_ = true;
        }
    });
}

void DeviceAudioOutput::SetVolume(double volume)
{
    OnDeviceThread([this, volume] {
        if (sink_)
            sink_->setVolume(volume);
    });
}

void DeviceAudioOutput::Tick()
{
    // Idle means the sink ran dry: everything it took has been played.
    const int64_t played = static_cast<int64_t>(sink_->processedUSecs()) * bytesPerSecond_ / 1000000;
    const int64_t pulled = pulled_.load();
    const int64_t held = sink_->state() == QAudio::IdleState ? 0 : std::clamp<int64_t>(pulled - played, 0, pulled);
    buffered_ = held - held % blockAlign_;
    source_->Progress();
}

} // namespace ds
