#include "PictureEnds.h"

namespace decoder_ffmpeg {
namespace {

// Pieces cut at one length still differ in their PES headers and in what
// shares their pack (a system header and a map before a key picture).
constexpr size_t kPieceSlack = 512;

}  // namespace

void PictureEnds::VideoPesBegins(const uint8_t* header, size_t headerSize, size_t size) {
  videoId_ = header[3];
  stamped_ = headerSize >= 9 && (header[6] & 0xC0) == 0x80 && (header[7] & 0x80) != 0;
  continues_ = !stamped_ && !afterOther_ && stampedPes_ > 0;
  previousSize_ = size_;
  size_ = size;
  if (stamped_) {
    ++stampedPes_;
    sliceSeen_ = false;
  }
  if (afterOther_ && stampedPes_ > 0) {
    breaksConfirmed_ = breaksConfirmed_ || stamped_;
    aligned_ = aligned_ && stamped_;
  }
  afterOther_ = false;
  opening_ = true;
  firstNal_ = stamped_;
  recent_ = 0xFFFFFFFF;
  headerBytesWanted_ = 0;
  pictureOpen_ = true;
}

void PictureEnds::VideoPayload(const uint8_t* data, size_t size) {
  const int wanted = codec_ == Codec::kH264 ? 2 : 3;
  for (size_t i = 0; i < size; ++i) {
    if (headerBytesWanted_ > 0) {
      nalHeader_[nalHeaderSize_++] = data[i];
      if (--headerBytesWanted_ == 0) {
        // The NAL unit's type, and whether a slice is a picture's first.
        const bool h264 = codec_ == Codec::kH264;
        const int type = h264 ? nalHeader_[0] & 0x1F : (nalHeader_[0] >> 1) & 0x3F;
        const bool slice = h264 ? (type >= 1 && type <= 5) : type < 32;
        const bool firstSlice = (nalHeader_[h264 ? 1 : 2] & 0x80) != 0;
        // What may begin an access unit: delimiter, parameter sets, SEI.
        const bool opensUnit =
            h264 ? (type >= 6 && type <= 9) : (type >= 32 && type <= 35) || type == 39;
        if (firstNal_ && !(opensUnit || (slice && firstSlice))) aligned_ = false;
        firstNal_ = false;
        sliceSeen_ = sliceSeen_ || slice;
      }
    }
    if (opening_ && data[i] != 0) {
      opening_ = false;
      const bool startCode = data[i] == 1 && (recent_ & 0xFFFF) == 0;
      // A payload that does not open with a start code does not begin a
      // picture.
      if (stamped_ && !startCode) {
        aligned_ = false;
        firstNal_ = false;
      }
      if (continues_ && startCode) cutsAtNalUnits_ = true;
      if (continues_ && !startCode && (shortestPiece_ == 0 || previousSize_ < shortestPiece_)) {
        shortestPiece_ = previousSize_;
      }
    }
    recent_ = recent_ << 8 | data[i];
    if ((recent_ & 0xFFFFFF) == 0x000001) {
      headerBytesWanted_ = wanted;
      nalHeaderSize_ = 0;
    }
  }
}

std::vector<uint8_t> PictureEnds::VideoPesEnded() {
  if (Deciding() && !cutsAtNalUnits_ && size_ + kPieceSlack < shortestPiece_ && sliceSeen_ &&
      pictureOpen_) {
    return Delimiter();
  }
  return {};
}

std::vector<uint8_t> PictureEnds::OtherPesBegins() {
  afterOther_ = true;
  if (Deciding() && breaksConfirmed_ && pictureOpen_) return Delimiter();
  return {};
}

void PictureEnds::Reset() {
  aligned_ = true;
  cutsAtNalUnits_ = false;
  shortestPiece_ = 0;
  stampedPes_ = 0;
  afterOther_ = false;
  breaksConfirmed_ = false;
  pictureOpen_ = false;
  size_ = 0;
  stamped_ = false;
  continues_ = false;
  opening_ = false;
  firstNal_ = false;
}

std::vector<uint8_t> PictureEnds::Delimiter() {
  pictureOpen_ = false;
  std::vector<uint8_t> pes = {0x00, 0x00, 0x01, videoId_, 0x00, 0x00, 0x80,
                              0x00, 0x00, 0x00, 0x00,     0x00, 0x01};
  // Any kind of picture may follow.
  if (codec_ == Codec::kH264) {
    pes.insert(pes.end(), {0x09, 0xF0});
  } else {
    pes.insert(pes.end(), {0x46, 0x01, 0x50});
  }
  pes[5] = static_cast<uint8_t>(pes.size() - 6);
  return pes;
}

}  // namespace decoder_ffmpeg
