// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fast look at whether a JPEG stream is whole, without decoding it: its marker segments, its
// frame and scan headers, and the markers inside its entropy-coded data.

#include <string_view>

namespace posteri {

// Whether `bytes` hold a whole DCT-coded JPEG stream (sequential or progressive): SOI, marker
// segments that fit in the bytes, one frame header, one or more scans whose entropy-coded data hold
// only stuffed bytes and restart markers (in their cyclic order, as many as the scan's MCUs need),
// only segments that may stand between scans, and EOI. Bytes after EOI are ignored. It reads a
// 9 MB photo in a few milliseconds.
//
// It cannot see damage inside the Huffman-coded data that keeps the marker structure: changed bits,
// or data cut short where EOI happens to follow (with no restart markers to count). Such a photo
// shows with artefacts in any viewer; it neither crashes a reader nor loses the rest of the page.
bool jpeg_structure_is_whole(std::string_view bytes);

}  // namespace posteri
