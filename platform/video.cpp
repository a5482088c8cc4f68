#include "platform/video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "platform/hostfs.h"
#include "platform/trace.h"

namespace platform {

namespace {

// Pictures larger than this are not an intro: refuse them before allocating.
constexpr int kMaxSide = 4096;
// Broken packets in a row after which the rest of the file counts as lost.
constexpr int kMaxErrorsInARow = 64;
// The longest a picture may stay on screen, so that a broken time stamp
// cannot hold the video (and whoever waits for its end) for hours.
constexpr uint64_t kMaxGapUs = 5'000'000;

// FFmpeg's messages go to the trace sink, which is silent unless asked.
__attribute__((format(printf, 3, 0))) void LogToTrace(void*, int level, const char* format,
                                                      va_list args) {
  if (level > AV_LOG_WARNING || !TraceEnabled()) return;
  char text[512];
  std::vsnprintf(text, sizeof text, format, args);
  Trace("video: %s", text);
}

}  // namespace

struct VideoPlayer::Decoder {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* next = nullptr;   // decoded, waiting for its time
  AVFrame* shown = nullptr;  // on screen
  SwsContext* scaler = nullptr;
  std::vector<uint32_t> rgb;
  int stream = -1;
  AVRational timeBase{1, 25};
  uint64_t frameUs = 40'000;

  bool draining = false;  // the file is read; the decoder gives what it holds
  int errorsInARow = 0;
  int64_t firstPts = AV_NOPTS_VALUE;
  int64_t decoded = 0;  // pictures decoded so far

  bool nextValid = false;
  uint64_t nextUs = 0;
  int64_t nextIndex = 0;
  bool shownAny = false;
  uint64_t shownUs = 0;
  int64_t shownIndex = -1;
  uint64_t endUs = 0;  // with !nextValid: when the last picture's time has passed
  bool finished = false;

  ~Decoder() {
    sws_freeContext(scaler);
    av_frame_free(&shown);
    av_frame_free(&next);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
  }

  bool Usable(const AVFrame* frame) const {
    return frame->width > 0 && frame->height > 0 && frame->width <= kMaxSide &&
           frame->height <= kMaxSide && frame->format >= 0;
  }

  // The picture's time after the first one: its time stamp where it has one,
  // else one frame after the previous; never before the previous, never
  // more than kMaxGapUs after it.
  uint64_t TimeOf(const AVFrame* frame) const {
    if (decoded == 0) return 0;
    const uint64_t previous = nextUs;
    uint64_t t = previous + frameUs;
    const int64_t pts = frame->best_effort_timestamp;
    if (pts != AV_NOPTS_VALUE && firstPts != AV_NOPTS_VALUE && pts >= firstPts)
      t = static_cast<uint64_t>(av_rescale_q(pts - firstPts, timeBase, AVRational{1, 1000000}));
    return std::clamp(t, previous, previous + kMaxGapUs);
  }

  // Decodes the next picture into next; false when there is none.
  bool DecodeNext() {
    for (;;) {
      int r = avcodec_receive_frame(codec, next);
      if (r == 0) {
        if (!Usable(next)) {
          av_frame_unref(next);
          if (++errorsInARow > kMaxErrorsInARow) return false;
          continue;
        }
        errorsInARow = 0;
        if (firstPts == AV_NOPTS_VALUE && decoded == 0) firstPts = next->best_effort_timestamp;
        nextUs = TimeOf(next);
        nextIndex = decoded++;
        return true;
      }
      if (r == AVERROR_EOF || draining) return false;
      if (r != AVERROR(EAGAIN) && ++errorsInARow > kMaxErrorsInARow) return false;
      // The decoder wants more of the file.
      r = av_read_frame(format, packet);
      if (r < 0) {
        draining = true;
        avcodec_send_packet(codec, nullptr);
        continue;
      }
      if (packet->stream_index == stream) {
        r = avcodec_send_packet(codec, packet);
        if (r < 0 && r != AVERROR(EAGAIN) && ++errorsInARow > kMaxErrorsInARow) {
          av_packet_unref(packet);
          return false;
        }
      }
      av_packet_unref(packet);
    }
  }

  // The shown picture as 0xRRGGBB pixels in rgb.
  bool Convert() {
    const int w = shown->width;
    const int h = shown->height;
    scaler = sws_getCachedContext(scaler, w, h, static_cast<AVPixelFormat>(shown->format), w, h,
                                  AV_PIX_FMT_RGB32, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (scaler == nullptr) return false;
    rgb.resize(static_cast<size_t>(w) * static_cast<size_t>(h));
    uint8_t* planes[4] = {reinterpret_cast<uint8_t*>(rgb.data()), nullptr, nullptr, nullptr};
    int strides[4] = {w * 4, 0, 0, 0};
    return sws_scale(scaler, shown->data, shown->linesize, 0, h, planes, strides) == h;
  }
};

VideoPlayer::VideoPlayer() = default;

VideoPlayer::~VideoPlayer() {
  Close();
}

bool VideoPlayer::Open(const std::string& path, const PixelRect& where) {
  Close();
  if (where.Width() <= 0 || where.Height() <= 0) return false;
  static const bool quiet = [] {
    av_log_set_callback(LogToTrace);
    return true;
  }();
  (void)quiet;
  // Only a regular file: a FIFO or a device would block or never end.
  std::string host;
  struct stat info {};
  if (!ToHostPath(path, host) || stat(host.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return false;

  auto d = std::make_unique<Decoder>();
  // The file itself and nothing it may point at (playlists, other protocols).
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  av_dict_set(&options, "format_whitelist", "avi,matroska,webm,mov,mp4,m4a,3gp,mpeg,mpegts,ogg", 0);
  const std::string url = "file:" + host;
  const int opened = avformat_open_input(&d->format, url.c_str(), nullptr, &options);
  av_dict_free(&options);
  if (opened < 0) return false;
  if (avformat_find_stream_info(d->format, nullptr) < 0) return false;
  const AVCodec* codec = nullptr;
  d->stream = av_find_best_stream(d->format, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (d->stream < 0 || codec == nullptr) return false;
  AVStream* stream = d->format->streams[d->stream];
  const AVCodecParameters* par = stream->codecpar;
  if (par->width <= 0 || par->height <= 0 || par->width > kMaxSide || par->height > kMaxSide)
    return false;
  d->codec = avcodec_alloc_context3(codec);
  if (d->codec == nullptr || avcodec_parameters_to_context(d->codec, par) < 0) return false;
  d->codec->thread_count = 1;  // one small picture at a time; no pipeline delay
  if (avcodec_open2(d->codec, codec, nullptr) < 0) return false;
  d->timeBase = stream->time_base.num > 0 && stream->time_base.den > 0 ? stream->time_base
                                                                       : AVRational{1, 25};
  AVRational rate = stream->avg_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = stream->r_frame_rate;
  if (rate.num > 0 && rate.den > 0)
    d->frameUs = std::clamp<uint64_t>(
        static_cast<uint64_t>(av_rescale(1000000, rate.den, rate.num)), 1000, 1000000);
  d->packet = av_packet_alloc();
  d->next = av_frame_alloc();
  d->shown = av_frame_alloc();
  if (d->packet == nullptr || d->next == nullptr || d->shown == nullptr) return false;
  d->nextValid = d->DecodeNext();
  if (!d->nextValid) return false;

  std::lock_guard<std::mutex> lock(m_Lock);
  m_Decoder = std::move(d);
  m_Where = where;
  m_Stop = false;
  return true;
}

bool VideoPlayer::Play() {
  if (m_Thread.joinable()) return false;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_Decoder == nullptr || m_Decoder->shownAny) return false;
    // The first picture now, so that the video plays when Play returns.
    Step(0);
  }
  m_Thread = std::thread(&VideoPlayer::Run, this);
  return true;
}

void VideoPlayer::Run() {
  const auto start = std::chrono::steady_clock::now();
  std::unique_lock<std::mutex> lock(m_Lock);
  while (!m_Stop && m_Decoder != nullptr) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    Step(static_cast<uint64_t>(elapsed.count()));
    if (m_Decoder->finished) break;
    const auto due = start + std::chrono::microseconds(NextWakeUs());
    m_Wake.wait_until(lock, due, [this] { return m_Stop; });
  }
}

int64_t VideoPlayer::ShowFrameAt(uint64_t elapsedUs) {
  std::lock_guard<std::mutex> lock(m_Lock);
  return Step(elapsedUs);
}

int64_t VideoPlayer::Step(uint64_t elapsedUs) {
  Decoder* d = m_Decoder.get();
  if (d == nullptr || d->finished) return -1;
  bool took = false;
  while (d->nextValid && d->nextUs <= elapsedUs) {
    std::swap(d->shown, d->next);
    av_frame_unref(d->next);
    d->shownUs = d->nextUs;
    d->shownIndex = d->nextIndex;
    took = true;
    d->nextValid = d->DecodeNext();
    if (!d->nextValid) d->endUs = d->shownUs + d->frameUs;
  }
  if (took && d->Convert() &&
      ShowOverlay(d->rgb.data(), d->shown->width, d->shown->height, m_Where)) {
    d->shownAny = true;
    m_Playing = true;
  }
  if (!d->nextValid && (!d->shownAny || elapsedUs >= d->endUs)) {
    d->finished = true;
    m_Playing = false;
    return -1;
  }
  return d->shownAny ? d->shownIndex : -1;
}

uint64_t VideoPlayer::NextWakeUs() const {
  const Decoder* d = m_Decoder.get();
  if (d == nullptr) return 0;
  return d->nextValid ? d->nextUs : d->endUs;
}

void VideoPlayer::Close() {
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Stop = true;
  }
  m_Wake.notify_all();
  if (m_Thread.joinable()) m_Thread.join();
  std::lock_guard<std::mutex> lock(m_Lock);
  if (m_Decoder != nullptr && m_Decoder->shownAny) ClearOverlay();
  m_Decoder.reset();
  m_Playing = false;
}

int32_t VideoPlayer::Width() const {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_Decoder != nullptr ? m_Decoder->codec->width : 0;
}

int32_t VideoPlayer::Height() const {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_Decoder != nullptr ? m_Decoder->codec->height : 0;
}

uint64_t VideoPlayer::FrameUs() const {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_Decoder != nullptr ? m_Decoder->frameUs : 0;
}

}  // namespace platform
