#include "PictureEnds.h"

namespace m4 {
namespace {

// A PES this long may be a picture cut at the largest length that goes on.
constexpr size_t kLongestWhole = 0xFF00;

}  // namespace

void PictureEnds::VideoPesBegins(const uint8_t* header, size_t headerSize, size_t size) {
  videoId_ = header[3];
  stamped_ = headerSize >= 9 && (header[6] & 0xC0) == 0x80 && (header[7] & 0x80) != 0;
  mayGoOn_ = size >= kLongestWhole;
  if (stamped_) {
    ++stampedPes_;
  } else if (stampedPes_ > 0) {
    onePesPerPicture_ = false;
  }
  if (afterOther_ && stampedPes_ > 0) {
    breaksConfirmed_ = breaksConfirmed_ || stamped_;
    aligned_ = aligned_ && stamped_;
  }
  afterOther_ = false;
  firstNal_ = stamped_;
  sliceSeen_ = false;
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
    // A payload that does not open with a start code does not begin a
    // picture.
    if (firstNal_ && headerBytesWanted_ == 0 && data[i] != 0 &&
        (data[i] != 1 || (recent_ & 0xFFFF) != 0)) {
      aligned_ = false;
      firstNal_ = false;
    }
    recent_ = recent_ << 8 | data[i];
    if ((recent_ & 0xFFFFFF) == 0x000001) {
      headerBytesWanted_ = wanted;
      nalHeaderSize_ = 0;
    }
  }
}

std::vector<uint8_t> PictureEnds::VideoPesEnded() {
  if (Deciding() && onePesPerPicture_ && stamped_ && sliceSeen_ && !mayGoOn_ && pictureOpen_) {
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
  onePesPerPicture_ = true;
  stampedPes_ = 0;
  afterOther_ = false;
  breaksConfirmed_ = false;
  pictureOpen_ = false;
  stamped_ = false;
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

}  // namespace m4
