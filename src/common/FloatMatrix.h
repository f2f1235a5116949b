#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace trx {

// A row-major matrix of single-precision values over one contiguous buffer.
// The amplitude and note maps are FloatMatrix values with one row per slice
// and one column per note bin.
class FloatMatrix {
public:
    FloatMatrix() = default;
    FloatMatrix(std::int32_t rows, std::int32_t cols) { Resize(rows, cols); }

    // Reallocates to rows x cols, every cell 0.
    void Resize(std::int32_t rows, std::int32_t cols) {
        rows_ = rows < 0 ? 0 : rows;
        cols_ = cols < 0 ? 0 : cols;
        data_.assign(static_cast<std::size_t>(rows_) * static_cast<std::size_t>(cols_), 0.0f);
    }
    // Releases the storage; the matrix is then 0 x 0.
    void Release() {
        rows_ = cols_ = 0;
        data_.clear();
        data_.shrink_to_fit();
    }
    void Fill(float value) { data_.assign(data_.size(), value); }

    [[nodiscard]] std::int32_t Rows() const { return rows_; }
    [[nodiscard]] std::int32_t Cols() const { return cols_; }
    [[nodiscard]] bool Empty() const { return data_.empty(); }

    float& operator()(std::int32_t row, std::int32_t col) { return data_[Index(row, col)]; }
    float operator()(std::int32_t row, std::int32_t col) const { return data_[Index(row, col)]; }

    [[nodiscard]] std::span<float> Row(std::int32_t row) {
        return {data_.data() + Index(row, 0), static_cast<std::size_t>(cols_)};
    }
    [[nodiscard]] std::span<const float> Row(std::int32_t row) const {
        return {data_.data() + Index(row, 0), static_cast<std::size_t>(cols_)};
    }

    [[nodiscard]] float* Data() { return data_.data(); }
    [[nodiscard]] const float* Data() const { return data_.data(); }

    bool operator==(const FloatMatrix&) const = default;

private:
    [[nodiscard]] std::size_t Index(std::int32_t row, std::int32_t col) const {
        return static_cast<std::size_t>(row) * static_cast<std::size_t>(cols_) +
               static_cast<std::size_t>(col);
    }

    std::int32_t rows_ = 0;
    std::int32_t cols_ = 0;
    std::vector<float> data_;
};

} // namespace trx
