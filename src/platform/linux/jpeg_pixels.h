#pragma once
// Decoding JPEG bytes, and the lossless change of an arithmetic-coded JPEG into a Huffman-coded
// one (the coding PDF readers understand).

#include <cairo.h>

#include <string>

namespace posteri {

// The stored pixel grid as a new RGB24 surface; CMYK photos come out in RGB. nullptr when the data
// is damaged or cut short, or too large to hold.
cairo_surface_t* decode_jpeg(const std::string& bytes);

// The same coefficients, Huffman-coded; empty when the data cannot be read.
std::string huffman_coded(const std::string& bytes);

}  // namespace posteri
