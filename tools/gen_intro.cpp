// Renders the intro video: four seconds of the Brevora logo coming together,
// 320 by 240 at 25 frames a second, Motion JPEG in an AVI file.
//
//   gen_intro OUT.avi [STILL.png]
//
// With a second argument it also writes one frame near the end as a picture.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "tools/art/canvas.h"

namespace {

using namespace art;

constexpr int kW = 320, kH = 240, kFps = 25, kFrames = 100;

double Ease(double t) {
  t = std::clamp(t, 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Draws frame n of the animation.
void DrawFrame(cairo_t* cr, int n) {
  const double t = double(n) / kFps;
  // Background: deep blue-black with a soft light behind the logo.
  cairo_pattern_t* bg = cairo_pattern_create_radial(160, 100, 10, 160, 120, 230);
  cairo_pattern_add_color_stop_rgb(bg, 0, 0.11, 0.13, 0.18);
  cairo_pattern_add_color_stop_rgb(bg, 1, 0.01, 0.015, 0.03);
  cairo_set_source(cr, bg);
  cairo_paint(cr);
  cairo_pattern_destroy(bg);

  // Sixteen bars arrive one after another and then pulse to a beat.
  const double cx = 160, cy = 96, r = 52;
  for (int i = 0; i < 16; ++i) {
    double appear = Ease((t - 0.1 - i * 0.06) / 0.35);
    if (appear <= 0) continue;
    double a = -M_PI / 2 + i * 2 * M_PI / 16;
    double beat = std::exp(-std::fmod(t * 130 / 60.0, 1.0) * 5) * (t > 1.4 ? 1 : 0);
    double len = r * (0.25 + 0.22 * (0.5 + 0.5 * std::sin(i * 1.7 + t * 3))) * appear +
                 beat * 6 * (i % 2 ? 0.6 : 1);
    cairo_move_to(cr, cx + std::cos(a) * (r - len), cy + std::sin(a) * (r - len));
    cairo_line_to(cr, cx + std::cos(a) * r, cy + std::sin(a) * r);
    cairo_set_line_width(cr, 5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    Colour c = Mix(Hex(0x39d5e0), Hex(0xb070ff), i / 15.0);
    c.a = appear;
    SetColour(cr, c);
    cairo_stroke(cr);
  }
  // The play triangle grows in the middle.
  double tri = Ease((t - 1.0) / 0.4);
  if (tri > 0) {
    double s = 19 * tri;
    cairo_move_to(cr, cx - s * 0.6, cy - s);
    cairo_line_to(cr, cx + s, cy);
    cairo_line_to(cr, cx - s * 0.6, cy + s);
    cairo_close_path(cr);
    SetColour(cr, Hex(0xf2f4f8, tri));
    cairo_fill(cr);
  }
  // The name rises into place, then the line under it.
  double word = Ease((t - 1.5) / 0.6);
  if (word > 0) {
    TextStyle st;
    st.size = 34;
    st.align = 0.5;
    st.hinted = false;
    st.colour = Hex(0xeef1f6, word);
    Text(cr, "brevora", 160, 162 + (1 - word) * 14, st);
  }
  double tag = Ease((t - 2.2) / 0.5);
  if (tag > 0) {
    TextStyle st;
    st.size = 10;
    st.align = 0.5;
    st.spacing = 3;
    st.condensed = true;
    st.colour = Hex(0x9fe9df, tag);
    Text(cr, "LOOP MIXING DESK", 160, 208, st);
  }
  // Fade to black at the end.
  double out = Ease((t - 3.5) / 0.45);
  if (out > 0) {
    cairo_set_source_rgba(cr, 0, 0, 0, out);
    cairo_paint(cr);
  }
}

void Check(int err, const char* what) {
  if (err < 0) throw std::runtime_error(std::string("intro video: ") + what);
}

void Encode(const std::string& path) {
  AVFormatContext* oc = nullptr;
  Check(avformat_alloc_output_context2(&oc, nullptr, "avi", path.c_str()), "no AVI muxer");
  oc->flags |= AVFMT_FLAG_BITEXACT;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  if (!codec) throw std::runtime_error("intro video: no Motion JPEG encoder");
  AVStream* st = avformat_new_stream(oc, nullptr);
  AVCodecContext* c = avcodec_alloc_context3(codec);
  c->width = kW;
  c->height = kH;
  c->time_base = {1, kFps};
  c->framerate = {kFps, 1};
  c->pix_fmt = AV_PIX_FMT_YUVJ420P;
  c->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_BITEXACT;
  c->global_quality = FF_QP2LAMBDA * 2;
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  Check(avcodec_open2(c, codec, nullptr), "cannot open the encoder");
  Check(avcodec_parameters_from_context(st->codecpar, c), "codec parameters");
  st->time_base = c->time_base;
  Check(avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE), "cannot write the file");
  Check(avformat_write_header(oc, nullptr), "cannot write the header");

  SwsContext* sws = sws_getContext(kW, kH, AV_PIX_FMT_BGRA, kW, kH, AV_PIX_FMT_YUVJ420P,
                                   SWS_BICUBIC | SWS_BITEXACT, nullptr, nullptr, nullptr);
  AVFrame* frame = av_frame_alloc();
  frame->format = c->pix_fmt;
  frame->width = kW;
  frame->height = kH;
  Check(av_frame_get_buffer(frame, 0), "frame buffer");
  AVPacket* pkt = av_packet_alloc();

  auto drain = [&](AVFrame* f) {
    Check(avcodec_send_frame(c, f), "encoding");
    while (true) {
      int err = avcodec_receive_packet(c, pkt);
      if (err == AVERROR(EAGAIN) || err == AVERROR_EOF) break;
      Check(err, "encoding");
      av_packet_rescale_ts(pkt, c->time_base, st->time_base);
      pkt->stream_index = st->index;
      Check(av_interleaved_write_frame(oc, pkt), "writing");
    }
  };

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
  for (int n = 0; n < kFrames; ++n) {
    cairo_t* cr = cairo_create(surface);
    DrawFrame(cr, n);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const uint8_t* src[1] = {cairo_image_surface_get_data(surface)};
    int srcStride[1] = {cairo_image_surface_get_stride(surface)};
    Check(av_frame_make_writable(frame), "frame");
    sws_scale(sws, src, srcStride, 0, kH, frame->data, frame->linesize);
    frame->pts = n;
    drain(frame);
  }
  drain(nullptr);
  Check(av_write_trailer(oc), "trailer");
  cairo_surface_destroy(surface);
  av_packet_free(&pkt);
  av_frame_free(&frame);
  sws_freeContext(sws);
  avcodec_free_context(&c);
  avio_closep(&oc->pb);
  avformat_free_context(oc);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: gen_intro OUT.avi [STILL.png]\n");
    return 2;
  }
  av_log_set_level(AV_LOG_ERROR);
  try {
    Encode(argv[1]);
    if (argc == 3) {
      cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kW, kH);
      cairo_t* cr = cairo_create(s);
      DrawFrame(cr, 80);
      cairo_destroy(cr);
      cairo_surface_write_to_png(s, argv[2]);
      cairo_surface_destroy(s);
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "gen_intro: %s\n", e.what());
    return 1;
  }
  return 0;
}
