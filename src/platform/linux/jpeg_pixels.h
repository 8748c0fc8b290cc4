#pragma once
// Decoding JPEG bytes, and the lossless change of an arithmetic-coded JPEG into a Huffman-coded
// one (the coding PDF readers understand).

#include <cairo.h>

#include <string>

namespace posteri {

// The stored pixel grid scaled by 1/denominator (1, 2, 4 or 8) as a new RGB24 surface; CMYK
// photos come out in RGB. nullptr when the data is damaged or cut short, or too large to hold.
// Decoding at 1/8 reads the whole stream, so it also proves that the bytes decode.
cairo_surface_t* decode_jpeg(const std::string& bytes, int denominator);

// The same coefficients, Huffman-coded; empty when the data cannot be read.
std::string huffman_coded(const std::string& bytes);

}  // namespace posteri
