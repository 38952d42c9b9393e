#include "platform/filters/FrameEncoders.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <algorithm>

#include "formats/DvAudio.h"

namespace ds {

namespace {

av::CodecContextPtr OpenDvEncoder(bool pal)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVVIDEO);
    av::CodecContextPtr c(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!c)
        return nullptr;
    c->width = 720;
    c->height = pal ? 576 : 480;
    c->pix_fmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
    c->time_base = pal ? AVRational{1, 25} : AVRational{1001, 30000};
    c->framerate = pal ? AVRational{25, 1} : AVRational{30000, 1001};
    c->sample_aspect_ratio = pal ? AVRational{16, 15} : AVRational{8, 9}; // 4:3
    c->flags |= AV_CODEC_FLAG_INTERLACED_DCT;
    c->thread_count = 1; // the workers are the threads
    if (avcodec_open2(c.get(), codec, nullptr) < 0)
        return nullptr;
    return c;
}

} // namespace

FrameEncoders::~FrameEncoders()
{
    Stop();
}

bool FrameEncoders::Start(int workers, bool pal, DeliverFn deliver)
{
    Stop();
    workers = std::max(workers, 1);
    pal_ = pal;
    deliver_ = std::move(deliver);
    for (int i = 0; i < workers; ++i) {
        codecs_.push_back(OpenDvEncoder(pal));
        if (!codecs_.back()) {
            Stop();
            return false;
        }
    }
    // A job for each worker and two more, so the caller queues the next frames while every worker
    // is busy; a picture for each job, the current one and the one being converted.
    jobs_.resize(static_cast<size_t>(workers) + 2);
    for (Job& job : jobs_) {
        job.packet.reset(av_packet_alloc());
        if (!job.packet) {
            Stop();
            return false;
        }
    }
    last_.reset(av_packet_alloc());
    for (size_t i = 0; i < jobs_.size() + 2; ++i) {
        av::FramePtr picture(av_frame_alloc());
        if (!picture || !last_) {
            Stop();
            return false;
        }
        picture->format = codecs_[0]->pix_fmt;
        picture->width = codecs_[0]->width;
        picture->height = codecs_[0]->height;
        if (av_frame_get_buffer(picture.get(), 0) < 0) {
            Stop();
            return false;
        }
        pictures_.push_back(std::move(picture));
    }
    users_.assign(pictures_.size(), 0);
    head_ = count_ = 0;
    current_ = -1;
    lastSerial_ = queuedSerial_ = 0;
    discontinuity_ = true;
    encoding_ = 0;
    delivering_ = stopping_ = flushing_ = quit_ = false;
    refused_ = S_OK;
    for (int i = 0; i < workers; ++i)
        threads_.emplace_back([this, i] { Work(i); });
    return true;
}

void FrameEncoders::Stop()
{
    {
        std::lock_guard<std::mutex> guard(lock_);
        quit_ = true;
        changed_.notify_all();
    }
    for (std::thread& t : threads_)
        t.join();
    threads_.clear();
    codecs_.clear();
    jobs_.clear();
    pictures_.clear();
    users_.clear();
    last_.reset();
    head_ = count_ = 0;
    current_ = -1;
}

int FrameEncoders::FreePicture()
{
    std::unique_lock<std::mutex> guard(lock_);
    int slot = -1;
    changed_.wait(guard, [&] {
        const auto free = std::find(users_.begin(), users_.end(), 0);
        slot = free == users_.end() ? -1 : static_cast<int>(free - users_.begin());
        return Blocked() || slot >= 0;
    });
    return Blocked() ? -1 : slot;
}

void FrameEncoders::Release(int slot)
{
    if (slot >= 0 && --users_[static_cast<size_t>(slot)] == 0)
        changed_.notify_all();
}

void FrameEncoders::SetCurrent(int slot)
{
    std::lock_guard<std::mutex> guard(lock_);
    Release(current_);
    current_ = slot;
    if (slot >= 0) {
        ++users_[static_cast<size_t>(slot)];
        ++serial_;
    }
}

HRESULT FrameEncoders::Show(int64_t frame)
{
    std::unique_lock<std::mutex> guard(lock_);
    auto answer = [this] { return stopping_ ? VFW_E_WRONG_STATE : flushing_ ? S_FALSE : refused_; };
    if (Blocked() || refused_ != S_OK || current_ < 0)
        return answer();
    // The next frame of the picture of the last job still waiting to go out joins it.
    if (count_ > 0) {
        Job& tail = At(count_ - 1);
        if (tail.picture == serial_ && tail.state != State::Out && tail.frame + tail.count == frame) {
            ++tail.count;
            return S_OK;
        }
    }
    changed_.wait(guard, [this] { return Blocked() || count_ < jobs_.size(); });
    if (Blocked())
        return answer();
    Job& job = At(count_++);
    job.picture = serial_;
    job.frame = frame;
    job.count = 1;
    if (queuedSerial_ == serial_) {
        // Its frame is already out: it goes out again.
        job.state = State::Done;
        job.repeat = true;
        job.slot = -1;
        DeliverReady(guard);
    } else {
        job.state = State::Waiting;
        job.repeat = false;
        job.slot = current_;
        ++users_[static_cast<size_t>(current_)];
        queuedSerial_ = serial_;
        changed_.notify_all();
    }
    return answer();
}

HRESULT FrameEncoders::Drain()
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return Blocked() || (count_ == 0 && !delivering_); });
    return stopping_ ? VFW_E_WRONG_STATE : flushing_ ? S_FALSE : refused_;
}

void FrameEncoders::Restart()
{
    std::lock_guard<std::mutex> guard(lock_);
    Release(current_);
    current_ = -1;
    discontinuity_ = true;
    refused_ = S_OK;
}

void FrameEncoders::BeginFlush()
{
    std::lock_guard<std::mutex> guard(lock_);
    flushing_ = true;
    changed_.notify_all();
}

void FrameEncoders::EndFlush()
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return quit_ || (encoding_ == 0 && !delivering_); });
    for (; count_ > 0; --count_) {
        Job& job = At(0);
        Release(job.slot);
        job.slot = -1;
        job.state = State::Out;
        av_packet_unref(job.packet.get());
        head_ = (head_ + 1) % jobs_.size();
    }
    flushing_ = false;
    refused_ = S_OK;
    changed_.notify_all();
}

void FrameEncoders::BeginStop()
{
    std::lock_guard<std::mutex> guard(lock_);
    stopping_ = true;
    changed_.notify_all();
}

void FrameEncoders::WaitIdle()
{
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return quit_ || (encoding_ == 0 && !delivering_); });
}

void FrameEncoders::Work(int worker)
{
    AVCodecContext* codec = codecs_[static_cast<size_t>(worker)].get();
    const int frameSize = static_cast<int>(pal_ ? formats::kPalFrameSize : formats::kNtscFrameSize);
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        Job* job = nullptr;
        changed_.wait(guard, [&] {
            for (size_t i = 0; i < count_ && !job && !Blocked(); ++i)
                if (At(i).state == State::Waiting)
                    job = &At(i);
            return quit_ || job;
        });
        if (quit_)
            return;
        job->state = State::Encoding;
        ++encoding_;
        AVFrame* picture = pictures_[static_cast<size_t>(job->slot)].get();
        AVPacket* packet = job->packet.get();
        picture->pts = job->frame;
        guard.unlock();
        // No delay: the frame comes out of the same send.
        bool ok = avcodec_send_frame(codec, picture) >= 0 && avcodec_receive_packet(codec, packet) >= 0 &&
                  packet->size == frameSize;
        if (!ok)
            av_packet_unref(packet);
        guard.lock();
        --encoding_;
        job->state = ok ? State::Done : State::Failed;
        Release(job->slot);
        job->slot = -1;
        changed_.notify_all();
        DeliverReady(guard);
    }
}

void FrameEncoders::DeliverReady(std::unique_lock<std::mutex>& guard)
{
    // One thread delivers at a time; one that finds another at it leaves it what it made ready,
    // which that one sees before it lets go.
    if (delivering_)
        return;
    delivering_ = true;
    while (count_ > 0 && !Blocked()) {
        Job& job = At(0);
        if (job.state == State::Waiting || job.state == State::Encoding)
            break;
        const bool encoded = !job.repeat;
        // A repeat of a frame that could not be encoded has nothing to give either.
        const bool give = refused_ == S_OK && job.state == State::Done && (encoded || lastSerial_ == job.picture);
        const int64_t frame = job.frame, count = job.count;
        bool discontinuity = discontinuity_;
        job.state = State::Out; // takes no more frames
        guard.unlock();
        HRESULT hr = S_OK;
        if (give) {
            if (encoded) {
                av_packet_unref(last_.get());
                av_packet_move_ref(last_.get(), job.packet.get());
            }
            for (int64_t k = 0; k < count && hr == S_OK; ++k) {
                hr = deliver_(last_->data, frame + k, discontinuity);
                discontinuity = false;
            }
        }
        guard.lock();
        if (give && encoded)
            lastSerial_ = job.picture;
        if (give && hr == S_OK)
            discontinuity_ = false;
        if (hr != S_OK && refused_ == S_OK && !Blocked())
            refused_ = hr;
        head_ = (head_ + 1) % jobs_.size();
        --count_;
        changed_.notify_all();
    }
    delivering_ = false;
    changed_.notify_all();
}

} // namespace ds
