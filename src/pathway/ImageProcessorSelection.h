// One region found on a pathway image: an inclusive pixel box with a soft mask
// over it, made from a closed or an open stroke, and its one-line text form
// (the IMPROCSEL line of the pathway file).
#pragma once

#include <memory>
#include <string>

#include "engine/Table.h"
#include "engine/Vector3.h"

class Image;
class Texture;

class ImageProcessorSelection {
public:
    // Largest image side a region may lie in: its box corners stay exact as
    // floats (below 2^24) and its mask is sized from the same whole numbers.
    static constexpr int maxImageSide = 1 << 20;

    // A zero mask over the box (x1 - x0 + 1 columns of y1 - y0 + 1 rows).
    ImageProcessorSelection(float x0, float y0, float x1, float y1, bool open);

    // The pixel box, inclusive, whole numbers.
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool open = false;
    // World positions of the first and last contour point (open selections
    // only); not stored in the text form.
    Vector3 startPoint;
    Vector3 endPoint;

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    // Weight of pixel (x0 + column, y0 + row), 0 to 1; no bounds check.
    double& mask(int column, int row) { return cells_[index(column, row)]; }
    double mask(int column, int row) const { return cells_[index(column, row)]; }
    // All cells, column after column (the order of the text form).
    const Array<double>& maskCells() const { return cells_; }

    // Pads the box by one pixel on every side that stays inside an image of that
    // size, then softens the mask in place with a 3 x 3 mean times 1.2.
    void growAndBlur(int imageWidth, int imageHeight);

    // The box's image piece as RGBA; alpha from the mask when setAlpha is set,
    // colours black when blacken is set. Pixels outside the image read black.
    std::shared_ptr<Texture> sampleTexture(const Image& image, bool setAlpha, bool blacken) const;

    // "open x0 y0 x1 y1 word": two letters 'a'..'p' per cell, high nibble first,
    // cells in column order.
    std::string toText() const;

    // Reads a text form into this selection. A line that is not six blank-
    // separated fields, whose numbers are not whole non-negative numbers, whose
    // box is reversed, leaves an image of that size or reaches maxImageSide, or
    // whose mask word has
    // the wrong length or a letter outside 'a'..'p', is refused: the answer is
    // false, the selection unchanged and `error` says why. An image size of 0
    // or less skips the inside-the-image check. A trailing CR is ignored.
    [[nodiscard]] bool fromText(const std::string& line, int imageWidth, int imageHeight,
                                std::string* error = nullptr);
    // The same as a new selection; null when the line is refused.
    static std::unique_ptr<ImageProcessorSelection> parse(const std::string& line, int imageWidth,
                                                          int imageHeight,
                                                          std::string* error = nullptr);

    // Maps box and mask together from an image of one size to another (nearest
    // cell), keeping the box inside the new image. Sizes of 0 or less, or equal
    // sizes, change nothing.
    void resample(int fromWidth, int fromHeight, int toWidth, int toHeight);

private:
    std::size_t index(int column, int row) const {
        return static_cast<std::size_t>(column) * static_cast<std::size_t>(rows_) +
               static_cast<std::size_t>(row);
    }
    // Makes a zero mask of that many cells; none when either count is below 1.
    void resetMask(int columns, int rows);

    int columns_ = 0;
    int rows_ = 0;
    Array<double> cells_;
};
