// Image regions: mask softening, the texture of a region and its text form.
#include "pathway/ImageProcessorSelection.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "engine/render/Image.h"
#include "engine/render/Texture.h"
#include "model/TextConversions.h"
#include "model/TextFile.h"

namespace {

// Whole numbers of at most nine digits, so they always fit an int.
bool readWholeNumber(const std::string& text, int& value) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    value = stringToInt(text);
    return true;
}

Array<std::string> blankSeparatedFields(const std::string& line) {
    Array<std::string> fields;
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (line[pos] == ' ') {
            ++pos;
            continue;
        }
        std::size_t end = line.find(' ', pos);
        if (end == std::string::npos) {
            end = line.size();
        }
        fields.push_back(line.substr(pos, end - pos));
        pos = end;
    }
    return fields;
}

void setError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

}  // namespace

ImageProcessorSelection::ImageProcessorSelection(float x0_, float y0_, float x1_, float y1_,
                                                 bool open_)
    : x0(x0_), y0(y0_), x1(x1_), y1(y1_), open(open_) {
    const double w = std::trunc(static_cast<double>(x1)) - std::trunc(static_cast<double>(x0)) + 1;
    const double h = std::trunc(static_cast<double>(y1)) - std::trunc(static_cast<double>(y0)) + 1;
    // A reversed or absurd box has no cells rather than a huge allocation.
    auto count = [](double n) { return n >= 1 && n <= maxImageSide ? static_cast<int>(n) : 0; };
    resetMask(count(w), count(h));
}

void ImageProcessorSelection::resetMask(int columns, int rows) {
    if (columns < 1 || rows < 1) {
        columns = rows = 0;
    }
    columns_ = columns;
    rows_ = rows;
    cells_.assign(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), 0.0);
}

void ImageProcessorSelection::growAndBlur(int imageWidth, int imageHeight) {
    if (columns_ == 0) {
        return;
    }
    const bool left = imageWidth <= 0 || x0 >= 1;
    const bool right = imageWidth <= 0 || x1 + 1 < imageWidth;
    const bool top = imageHeight <= 0 || y0 >= 1;
    const bool bottom = imageHeight <= 0 || y1 + 1 < imageHeight;

    const int newColumns = columns_ + (left ? 1 : 0) + (right ? 1 : 0);
    const int newRows = rows_ + (top ? 1 : 0) + (bottom ? 1 : 0);
    Array<double> grown(static_cast<std::size_t>(newColumns) * static_cast<std::size_t>(newRows),
                        0.0);
    const int dc = left ? 1 : 0, dr = top ? 1 : 0;
    for (int c = 0; c < columns_; ++c) {
        std::copy_n(cells_.begin() + static_cast<std::ptrdiff_t>(index(c, 0)), rows_,
                    grown.begin() + static_cast<std::ptrdiff_t>(
                                        static_cast<std::size_t>(c + dc) * newRows + dr));
    }
    x0 -= static_cast<float>(dc);
    y0 -= static_cast<float>(dr);
    x1 += right ? 1.0f : 0.0f;
    y1 += bottom ? 1.0f : 0.0f;
    columns_ = newColumns;
    rows_ = newRows;
    cells_ = std::move(grown);

    // In place on purpose: cells already softened take part with their new
    // values, which is what gives the edge its one-sided falloff.
    for (int c = 0; c < columns_; ++c) {
        for (int r = 0; r < rows_; ++r) {
            double sum = 0;
            int count = 0;
            for (int nc = std::max(c - 1, 0); nc <= std::min(c + 1, columns_ - 1); ++nc) {
                for (int nr = std::max(r - 1, 0); nr <= std::min(r + 1, rows_ - 1); ++nr) {
                    sum += cells_[index(nc, nr)];
                    ++count;
                }
            }
            cells_[index(c, r)] = std::min(1.0, 1.2 * sum / count);
        }
    }
}

std::shared_ptr<Texture> ImageProcessorSelection::sampleTexture(const Image& image, bool setAlpha,
                                                                bool blacken) const {
    Image piece(std::max(columns_, 1), std::max(rows_, 1), 4);
    const int bx = static_cast<int>(x0), by = static_cast<int>(y0);
    for (int c = 0; c < columns_; ++c) {
        for (int r = 0; r < rows_; ++r) {
            Color4uint8 p = image.pixel(bx + c, by + r);
            if (setAlpha) {
                p.a = static_cast<std::uint8_t>(std::clamp(mask(c, r), 0.0, 1.0) * 255);
            }
            if (blacken) {
                p.r = p.g = p.b = 0;
            }
            piece.setPixel(c, r, p);
        }
    }
    return Texture::fromImage("name", piece);
}

std::string ImageProcessorSelection::toText() const {
    std::string word;
    word.reserve(cells_.size() * 2);
    for (double cell : cells_) {
        const int v = static_cast<int>(std::clamp(cell, 0.0, 1.0) * 255);
        word.push_back(static_cast<char>('a' + v / 16));
        word.push_back(static_cast<char>('a' + v % 16));
    }
    return intToString(open ? 1 : 0) + " " + intToString(static_cast<int>(x0)) + " " +
           intToString(static_cast<int>(y0)) + " " + intToString(static_cast<int>(x1)) + " " +
           intToString(static_cast<int>(y1)) + " " + word;
}

bool ImageProcessorSelection::fromText(const std::string& text, int imageWidth, int imageHeight,
                                       std::string* error) {
    std::string line = text;
    stripCarriageReturn(line);
    const Array<std::string> fields = blankSeparatedFields(line);
    if (fields.size() != 6) {
        setError(error, "expected 6 fields, found " + intToString(static_cast<int>(fields.size())));
        return false;
    }
    int flag = 0, bx0 = 0, by0 = 0, bx1 = 0, by1 = 0;
    if (!readWholeNumber(fields[0], flag) || !readWholeNumber(fields[1], bx0) ||
        !readWholeNumber(fields[2], by0) || !readWholeNumber(fields[3], bx1) ||
        !readWholeNumber(fields[4], by1)) {
        setError(error, "the flag and the box must be whole numbers");
        return false;
    }
    if (bx0 > bx1 || by0 > by1) {
        setError(error, "reversed box");
        return false;
    }
    if (bx1 >= maxImageSide || by1 >= maxImageSide) {
        setError(error, "box beyond the largest image side of " + intToString(maxImageSide));
        return false;
    }
    if ((imageWidth > 0 && bx1 >= imageWidth) || (imageHeight > 0 && by1 >= imageHeight)) {
        setError(error, "box outside the image");
        return false;
    }
    const int columns = bx1 - bx0 + 1;
    const int rows = by1 - by0 + 1;
    const std::size_t cells = static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
    const std::string& word = fields[5];
    if (word.size() / 2 != cells || word.size() % 2 != 0) {
        setError(error,
                 "mask of " +
                     intToString(static_cast<int>(std::min<std::size_t>(word.size(), 999999999))) +
                     " letters for " +
                     intToString(static_cast<int>(std::min<std::size_t>(cells, 999999999))) +
                     " cells");
        return false;
    }
    for (char c : word) {
        if (c < 'a' || c > 'p') {
            setError(error, "mask letter outside a to p");
            return false;
        }
    }

    open = flag != 0;
    x0 = static_cast<float>(bx0);
    y0 = static_cast<float>(by0);
    x1 = static_cast<float>(bx1);
    y1 = static_cast<float>(by1);
    resetMask(columns, rows);
    for (std::size_t k = 0; k < cells; ++k) {
        cells_[k] = ((word[2 * k] - 'a') * 16 + (word[2 * k + 1] - 'a')) / 255.0;
    }
    return true;
}

std::unique_ptr<ImageProcessorSelection> ImageProcessorSelection::parse(const std::string& line,
                                                                        int imageWidth,
                                                                        int imageHeight,
                                                                        std::string* error) {
    auto selection = std::make_unique<ImageProcessorSelection>(0, 0, 0, 0, false);
    if (!selection->fromText(line, imageWidth, imageHeight, error)) {
        return nullptr;
    }
    return selection;
}

void ImageProcessorSelection::resample(int fromWidth, int fromHeight, int toWidth, int toHeight) {
    if (fromWidth <= 0 || fromHeight <= 0 || toWidth <= 0 || toHeight <= 0 ||
        (fromWidth == toWidth && fromHeight == toHeight) || columns_ == 0) {
        return;
    }
    const double sx = static_cast<double>(toWidth) / fromWidth;
    const double sy = static_cast<double>(toHeight) / fromHeight;
    const int ox0 = static_cast<int>(x0), oy0 = static_cast<int>(y0);
    const int nx0 = std::clamp(static_cast<int>(x0 * sx), 0, toWidth - 1);
    const int ny0 = std::clamp(static_cast<int>(y0 * sy), 0, toHeight - 1);
    const int nx1 = std::clamp(static_cast<int>(x1 * sx), nx0, toWidth - 1);
    const int ny1 = std::clamp(static_cast<int>(y1 * sy), ny0, toHeight - 1);

    ImageProcessorSelection scaled(static_cast<float>(nx0), static_cast<float>(ny0),
                                   static_cast<float>(nx1), static_cast<float>(ny1), open);
    // Each new cell is the mean of the old cells under it (one cell when growing).
    auto span = [](int n, double s, int o, int count) {
        int first = static_cast<int>(std::floor(n / s)) - o;
        int last = static_cast<int>(std::ceil((n + 1) / s)) - 1 - o;
        first = std::clamp(first, 0, count - 1);
        last = std::clamp(last, first, count - 1);
        return std::pair<int, int>(first, last);
    };
    for (int c = 0; c < scaled.columns_; ++c) {
        const auto [c0, c1] = span(nx0 + c, sx, ox0, columns_);
        for (int r = 0; r < scaled.rows_; ++r) {
            const auto [r0, r1] = span(ny0 + r, sy, oy0, rows_);
            double sum = 0;
            for (int oc = c0; oc <= c1; ++oc) {
                for (int orow = r0; orow <= r1; ++orow) {
                    sum += mask(oc, orow);
                }
            }
            scaled.mask(c, r) = sum / ((c1 - c0 + 1) * (r1 - r0 + 1));
        }
    }
    x0 = scaled.x0;
    y0 = scaled.y0;
    x1 = scaled.x1;
    y1 = scaled.y1;
    columns_ = scaled.columns_;
    rows_ = scaled.rows_;
    cells_ = std::move(scaled.cells_);
}
