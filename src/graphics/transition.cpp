// Transitions: blinds, dissolves, bands and blocks, the circle, the frame, the clock wipe, the double
// wedge and the interlaced lines, one step at a time, and the pass that runs a step.
#include "graphics/transition.h"

#include "common/assert.h"
#include "graphics/graphics_state.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <span>

namespace advplay::graphics {

namespace {

constexpr Rect kWholeScreen { 0, 0, kScreenWidth, kScreenHeight };
constexpr std::int32_t kCentreX = kScreenWidth / 2;
constexpr std::int32_t kCentreY = kScreenHeight / 2;

// ---------------------------------------------------------------------------------------------------
// Pattern tables
//
// Rows are y mod n and columns x mod n in screen coordinates; an entry is the step (or, for the bands
// and blocks, the step value) at which the pixel is copied.
// ---------------------------------------------------------------------------------------------------

using Matrix4 = std::array<std::array<std::uint8_t, 4>, 4>;
using Matrix3 = std::array<std::array<std::uint8_t, 3>, 3>;

// clang-format off
// Kind 5, steps 1..16.
constexpr Matrix4 kMatrixA { { { 1,  9,  3, 11 },
                               { 13, 5, 15,  7 },
                               { 4, 12,  2, 10 },
                               { 16, 8, 14,  6 } } };
// Kinds 7 and 8, step values 0..15 (and 16, below).
constexpr Matrix4 kMatrixB { { { 15, 3, 12,  0 },
                               { 7, 11,  4,  8 },
                               { 13, 1, 14,  2 },
                               { 5,  9,  6, 10 } } };
// Kind 12, steps 1..4.
constexpr Matrix4 kMatrixC { { { 4, 1, 4, 1 },
                               { 2, 3, 2, 3 },
                               { 4, 1, 4, 1 },
                               { 2, 3, 2, 3 } } };
// Kind 13, steps 1..8.
constexpr Matrix4 kMatrixD { { { 8, 2, 7, 1 },
                               { 4, 6, 3, 5 },
                               { 7, 1, 8, 2 },
                               { 3, 5, 4, 6 } } };
// Kind 15, steps 1..9.
constexpr Matrix3 kMatrixE { { { 1, 6, 3 },
                               { 8, 5, 9 },
                               { 4, 7, 2 } } };

// The step at which each kind is done.
constexpr std::int32_t kLastSteps[] = {
    0,   // 0: all at once
    16,  // 1: vertical blinds
    16,  // 2: horizontal blinds
    55,  // 3: staggered vertical blinds
    45,  // 4: staggered horizontal blinds
    16,  // 5: ordered dissolve
    64,  // 6: circle
    55,  // 7: dissolving bands
    49,  // 8: dissolving blocks
    80,  // 9: growing frame
    16,  // 10: clock wipe
    16,  // 11: double wedge
    4,   // 12: coarse dissolve
    8,   // 13: dissolve
    240, // 14: interlaced lines
    9,   // 15: 3 x 3 dissolve
};
// clang-format on

constexpr std::int32_t kKindCount = static_cast<std::int32_t>(std::size(kLastSteps));

// The cells of a matrix that hold `value`: bit (row * n + column).
template<std::size_t N>
constexpr std::uint16_t cells_of(const std::array<std::array<std::uint8_t, N>, N>& matrix, std::int32_t value)
{
    std::uint16_t cells = 0;
    for (std::size_t row = 0; row < N; ++row)
        for (std::size_t column = 0; column < N; ++column)
            if (matrix[row][column] == value)
                cells |= static_cast<std::uint16_t>(1u << (row * N + column));
    return cells;
}

// QUIRK: a band or block runs through 17 step values, one more than it has lines or cells: the last
// one copies the first line of the next band again (kinds 3 and 4) or the cells of values 0 and 1
// (kinds 7 and 8). That changes no pixel, but it keeps the last band a step longer, and the step
// counts include it.
constexpr std::int32_t kStepValues = 17;

std::uint16_t band_cells(std::int32_t value)
{
    if (value == kStepValues - 1)
        return cells_of(kMatrixB, 0) | cells_of(kMatrixB, 1);
    return cells_of(kMatrixB, value);
}

// A pattern of period 3 or 4 unrolled for the copy loops: for each row phase, the masks of 12 pixels
// (a multiple of both periods), all ones where the column is copied and 0 where it is kept, also as
// three words of four pixels. A row is copied by d ^= (d ^ s) & mask a word at a time, with no test
// per pixel.
class PatternMasks {
public:
    static constexpr std::int32_t kLength = 12;
    static constexpr std::int32_t kWords = kLength / 4;

    PatternMasks(std::int32_t period, std::uint16_t cells)
        : m_period(period)
    {
        for (std::int32_t row = 0; row < period; ++row) {
            std::uint32_t const row_cells = (cells >> (row * period)) & ((1u << period) - 1);
            Phase& phase = m_phases[row];
            phase.used = row_cells != 0;
            for (std::int32_t i = 0; i < kLength; ++i)
                phase.pixels[i] = (row_cells >> (i % period)) & 1 ? 0xFFFF : 0;
            // Copied through memory, so that the pixel at the lowest address stays first in the word
            // whatever the byte order.
            std::memcpy(phase.words.data(), phase.pixels.data(), sizeof phase.words);
        }
    }

    struct Phase {
        bool used { false };
        std::array<Pixel, kLength> pixels {};
        std::array<std::uint64_t, kWords> words {};
    };

    std::int32_t period() const { return m_period; }
    // The masks for the rows y with y mod period = phase, the first belonging to a column that is a
    // multiple of the period. Null when those rows keep all their pixels.
    const Phase* phase(std::int32_t phase) const { return m_phases[phase].used ? &m_phases[phase] : nullptr; }

private:
    std::int32_t m_period;
    std::array<Phase, 4> m_phases {};
};

// ---------------------------------------------------------------------------------------------------
// Copying
// ---------------------------------------------------------------------------------------------------

void copy_masked_word(Pixel* destination, const Pixel* source, std::uint64_t mask)
{
    std::uint64_t d = 0;
    std::uint64_t s = 0;
    std::memcpy(&d, destination, sizeof d);
    std::memcpy(&s, source, sizeof s);
    d ^= (d ^ s) & mask;
    std::memcpy(destination, &d, sizeof d);
}

// d ^= (d ^ s) & mask over `count` pixels of two rows that never share memory; word w of four pixels
// takes mask w mod kGroup, which is 1 for a pattern of period 4 (one mask for every word, so the loop
// widens with the mask held in a register) and 3 for period 3.
template<std::int32_t kGroup>
void copy_masked(Pixel* __restrict destination, const Pixel* __restrict source, std::int32_t count,
    const PatternMasks::Phase& masks)
{
    std::int32_t const words = count / 4;
    std::int32_t w = 0;
    for (; w + kGroup <= words; w += kGroup)
        for (std::int32_t j = 0; j < kGroup; ++j)
            copy_masked_word(destination + 4 * (w + j), source + 4 * (w + j), masks.words[j]);
    for (; w < words; ++w)
        copy_masked_word(destination + 4 * w, source + 4 * w, masks.words[w % kGroup]);
    for (std::int32_t i = 4 * words; i < count; ++i)
        destination[i] ^= (destination[i] ^ source[i]) & masks.pixels[i % PatternMasks::kLength];
}

// Copies from the staging surface onto the display at the same place, within the screen and within
// what both surfaces hold. Both are 640 x 480 in the engine; the bounds keep any other pair (an empty
// one, a smaller one) from being read or written past its end. A surface handed in as both is left
// alone, since copying it onto itself changes nothing.
class Canvas {
public:
    Canvas(Surface& display, const Surface& staging)
        : m_display(display)
        , m_staging(staging)
    {
        if (display.pixels() != staging.pixels()) {
            m_width = std::min({ kScreenWidth, display.width(), staging.width() });
            m_height = std::min({ kScreenHeight, display.height(), staging.height() });
        }
    }

    void copy_rect(const Rect& rect)
    {
        // Clipped by hand rather than by Box::intersection, which gives the same: this runs for every
        // span of the frame, the disc and the wedges, and the Box form measured 2 to 4% slower there.
        std::int64_t const left = std::max<std::int64_t>(rect.x, 0);
        std::int64_t const top = std::max<std::int64_t>(rect.y, 0);
        std::int64_t const right
            = std::min<std::int64_t>(static_cast<std::int64_t>(rect.x) + rect.w, m_width);
        std::int64_t const bottom
            = std::min<std::int64_t>(static_cast<std::int64_t>(rect.y) + rect.h, m_height);
        if (right <= left || bottom <= top)
            return;
        // Whole rows of equal pitch lie end to end: one block, which memcpy moves much faster than
        // the same bytes row by row.
        if (right - left == m_display.pitch() && m_display.pitch() == m_staging.pitch()) {
            std::memcpy(m_display.row(static_cast<std::int32_t>(top)),
                m_staging.row(static_cast<std::int32_t>(top)),
                static_cast<std::size_t>((bottom - top) * m_display.pitch()) * sizeof(Pixel));
            return;
        }
        // memmove, although the rows never overlap: GCC expands a memcpy whose size it can bound into
        // rep movs, which costs several times the library's copy on the short rows of the frame and
        // the wedges.
        auto const row_bytes = static_cast<std::size_t>(right - left) * sizeof(Pixel);
        for (auto y = static_cast<std::int32_t>(top); y < bottom; ++y)
            std::memmove(m_display.row(y) + left, m_staging.row(y) + left, row_bytes);
    }

    // Whether a row from x to x + w covers the canvas's width.
    bool spans_width(std::int32_t x, std::int32_t w) const
    {
        return x <= 0 && static_cast<std::int64_t>(x) + w >= m_width;
    }

    // Single-pixel columns, all rows, walked row by row so that each row is touched once.
    void copy_columns(std::span<const std::int32_t> columns)
    {
        std::array<std::int32_t, 64> inside {};
        std::size_t count = 0;
        for (std::int32_t const x : columns)
            if (x >= 0 && x < m_width && count < inside.size())
                inside[count++] = x;
        for (std::int32_t y = 0; y < m_height; ++y) {
            Pixel* const destination = m_display.row(y);
            const Pixel* const source = m_staging.row(y);
            for (std::size_t i = 0; i < count; ++i)
                destination[inside[i]] = source[inside[i]];
        }
    }

    // The pixels of `rect` that the pattern selects; rect.x is a multiple of the pattern's period and
    // not negative, so that column phases line up with the masks.
    void copy_pattern(const PatternMasks& pattern, const Rect& rect)
    {
        ENGINE_ASSERT(rect.x >= 0 && rect.y >= 0 && rect.x % pattern.period() == 0);
        std::int32_t const right = std::min(rect.x + rect.w, m_width);
        std::int32_t const bottom = std::min(rect.y + rect.h, m_height);
        if (right <= rect.x)
            return;
        // Phase by phase, so that rows the pattern leaves alone are never visited.
        std::int32_t const period = pattern.period();
        for (std::int32_t phase = 0; phase < period; ++phase) {
            const PatternMasks::Phase* const masks = pattern.phase(phase);
            if (!masks)
                continue;
            for (std::int32_t y = rect.y + (phase - rect.y % period + period) % period; y < bottom;
                 y += period) {
                if (period == 3)
                    copy_masked<3>(
                        m_display.row(y) + rect.x, m_staging.row(y) + rect.x, right - rect.x, *masks);
                else
                    copy_masked<1>(
                        m_display.row(y) + rect.x, m_staging.row(y) + rect.x, right - rect.x, *masks);
            }
        }
    }

    // What a copy of the whole screen through the region as clip region would change.
    void copy_region(const PolygonRegion& region)
    {
        std::int32_t const top = std::max(region.top(), 0);
        std::int32_t const bottom = std::min(region.bottom(), m_height);
        PolygonScan scan(region, top);
        RowSpans spans;
        for (std::int32_t y = top; y < bottom; ++y) {
            std::size_t const count = scan.next(spans);
            for (std::size_t i = 0; i < count; ++i)
                copy_rect({ spans[i].begin, y, spans[i].end - spans[i].begin, 1 });
        }
    }

private:
    Surface& m_display;
    const Surface& m_staging;
    std::int32_t m_width { 0 };
    std::int32_t m_height { 0 };
};

// ---------------------------------------------------------------------------------------------------
// The kinds: each draws step k, 1 <= k <= its last step, and returns its area
// ---------------------------------------------------------------------------------------------------

constexpr std::int32_t kBlindPitch = 16;

// Kind 1: one column in each 16-pixel band.
Rect vertical_blinds(Canvas& canvas, std::int32_t k)
{
    std::array<std::int32_t, kScreenWidth / kBlindPitch> columns {};
    Box area;
    for (std::int32_t n = 0; n < static_cast<std::int32_t>(columns.size()); ++n) {
        columns[n] = kBlindPitch * n + k - 1;
        area.unite(Box::from_rect({ columns[n], 0, 1, kScreenHeight }));
    }
    canvas.copy_columns(columns);
    return area.rect();
}

// Kind 2: one row in each 16-pixel band.
Rect horizontal_blinds(Canvas& canvas, std::int32_t k)
{
    Box area;
    for (std::int32_t n = 0; n < kScreenHeight / kBlindPitch; ++n) {
        Rect const row { 0, kBlindPitch * n + k - 1, kScreenWidth, 1 };
        canvas.copy_rect(row);
        area.unite(Box::from_rect(row));
    }
    return area.rect();
}

// The bands n that are under way at step k, each at step value k - 1 - n.
struct BandRange {
    std::int32_t first;
    std::int32_t last;
};
BandRange bands_at(std::int32_t k, std::int32_t band_count)
{
    return { std::max(0, k - kStepValues), std::min(k - 1, band_count - 1) };
}

// Kind 3: band n starts its blind at step n + 1; columns past the screen are cut away.
Rect staggered_vertical_blinds(Canvas& canvas, std::int32_t k)
{
    std::array<std::int32_t, kStepValues> columns {};
    std::size_t count = 0;
    Box area;
    for (std::int32_t n = std::max(0, k - kStepValues); n < k; ++n) {
        std::int32_t const x = kBlindPitch * n + (k - 1 - n);
        columns[count++] = x;
        area.unite(Box::from_rect({ x, 0, 1, kScreenHeight }));
    }
    canvas.copy_columns(std::span(columns.data(), count));
    return area.rect();
}

// Kind 4: the same with rows, from the top.
Rect staggered_horizontal_blinds(Canvas& canvas, std::int32_t k)
{
    Box area;
    for (std::int32_t n = std::max(0, k - kStepValues); n < k; ++n) {
        Rect const row { 0, kBlindPitch * n + (k - 1 - n), kScreenWidth, 1 };
        canvas.copy_rect(row);
        area.unite(Box::from_rect(row));
    }
    return area.rect();
}

// Kinds 5, 12, 13 and 15: the pixels whose matrix entry is k, all over the screen.
template<std::size_t N>
Rect dissolve(Canvas& canvas, const std::array<std::array<std::uint8_t, N>, N>& matrix, std::int32_t k)
{
    canvas.copy_pattern(PatternMasks(static_cast<std::int32_t>(N), cells_of(matrix, k)), kWholeScreen);
    return kWholeScreen;
}

// Kind 6: a disc of diameter 12.5 k pixels about the centre, each row a strip of trunc(2 sqrt(r2 - dy^2))
// pixels.
Rect circle(Canvas& canvas, std::int32_t k)
{
    std::int32_t const diameter = (k * 800) >> 6;
    std::int32_t const radius = diameter >> 1;
    std::int64_t const radius_squared = static_cast<std::int64_t>(diameter) * diameter / 4;
    // trunc(2 sqrt(v)) is the integer square root of 4v. Taken on integers it cannot be moved by
    // rounding, and from one row to the next it changes by a few units, so it is followed by steps
    // instead of a square root on every row. Rows off the screen draw nothing and are skipped.
    std::int32_t const first = std::max(kCentreY - radius, 0);
    std::int32_t const end = std::min(kCentreY + radius, kScreenHeight);
    std::int64_t width = 0;
    Rect full { 0, 0, kScreenWidth, 0 };
    for (std::int32_t y = first; y < end; ++y) {
        std::int64_t const dy = y - kCentreY;
        std::int64_t const square = 4 * (radius_squared - dy * dy);
        while (width * width > square)
            --width;
        while ((width + 1) * (width + 1) <= square)
            ++width;
        auto const w = static_cast<std::int32_t>(width);
        Rect const strip { kCentreX - (w >> 1), y, w, 1 };
        // Rows that span the screen gather into one block.
        if (canvas.spans_width(strip.x, strip.w)) {
            if (full.h == 0)
                full.y = y;
            ++full.h;
            continue;
        }
        canvas.copy_rect(full);
        full.h = 0;
        canvas.copy_rect(strip);
    }
    canvas.copy_rect(full);
    return { kCentreX - radius, kCentreY - radius, diameter, diameter };
}

// Kind 7: 16-pixel bands from the left, each dissolving by Matrix B over 17 steps, band n from step
// n + 1.
Rect dissolving_bands(Canvas& canvas, std::int32_t k)
{
    constexpr std::int32_t kBandWidth = 16;
    BandRange const bands = bands_at(k, kScreenWidth / kBandWidth);
    Box area;
    for (std::int32_t n = bands.first; n <= bands.last; ++n) {
        Rect const band { kBandWidth * n, 0, kBandWidth, kScreenHeight };
        canvas.copy_pattern(PatternMasks(4, band_cells(k - 1 - n)), band);
        area.unite(Box::from_rect(band));
    }
    return area.rect();
}

// Kind 8: 32 x 32 blocks dissolving by Matrix B, block (column c, row l) from step c + l + 1, so that
// the dissolve runs down the diagonals from the top left.
Rect dissolving_blocks(Canvas& canvas, std::int32_t k)
{
    constexpr std::int32_t kBlock = 32;
    constexpr std::int32_t kColumns = kScreenWidth / kBlock;
    constexpr std::int32_t kRows = kScreenHeight / kBlock;
    Box area;
    for (std::int32_t value = 0; value < kStepValues; ++value) {
        std::int32_t const diagonal = k - 1 - value;
        std::int32_t const first_row = std::max(0, diagonal - (kColumns - 1));
        std::int32_t const last_row = std::min(kRows - 1, diagonal);
        if (first_row > last_row)
            continue;
        PatternMasks const masks(4, band_cells(value));
        for (std::int32_t l = first_row; l <= last_row; ++l) {
            Rect const block { kBlock * (diagonal - l), kBlock * l, kBlock, kBlock };
            canvas.copy_pattern(masks, block);
            area.unite(Box::from_rect(block));
        }
    }
    return area.rect();
}

// Kind 9: a frame 3 rows and 4 columns thick just outside the previous step's, so that the copied part
// is a rectangle growing from the centre.
Rect growing_frame(Canvas& canvas, std::int32_t k)
{
    std::int32_t const left = kCentreX - 4 * k;
    std::int32_t const top = kCentreY - 3 * k;
    std::int32_t const width = 8 * k;
    std::int32_t const height = 6 * k;
    canvas.copy_rect({ left, top, width, 3 });
    canvas.copy_rect({ left, top + height - 3, width, 3 });
    canvas.copy_rect({ left, top + 3, 4, height - 6 });
    canvas.copy_rect({ left + width - 4, top + 3, 4, height - 6 });
    return { left, top, width, height };
}

// Kind 14: rows 6j from the top and their mirror rows from the bottom, then the same two and four rows
// further down.
Rect interlaced_lines(Canvas& canvas, std::int32_t k)
{
    std::int32_t const j = k - 1;
    std::int32_t const y = 6 * j - (j / 80) * 478;
    canvas.copy_rect({ 0, y, kScreenWidth, 1 });
    canvas.copy_rect({ 0, kScreenHeight - 1 - y, kScreenWidth, 1 });
    return kWholeScreen;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// Fixed-point angles
// ---------------------------------------------------------------------------------------------------

std::int32_t angle_sin(std::int32_t angle)
{
    // In double precision the sine is off by far less than the distance, at least 9e-4, between
    // 65536 sin(a) and the nearest integer for any angle but the multiples of a quarter turn, where it
    // is exactly 0 or 1 up to an error that truncation drops; so the result is the exact truncation.
    double const radians = std::numbers::pi * static_cast<double>(angle & 4095) / 2048.0;
    return static_cast<std::int32_t>(65536.0 * std::sin(radians));
}

std::int32_t angle_cos(std::int32_t angle)
{
    return angle_sin(angle + 1024);
}

Point angle_point(std::int32_t angle)
{
    constexpr std::int32_t kRadius = 440; // 1.1 times half the screen's diagonal
    return { kCentreX + ((angle_sin(angle) * kRadius) >> 16),
        kCentreY - ((angle_cos(angle) * kRadius) >> 16) };
}

// ---------------------------------------------------------------------------------------------------
// Steps and passes
// ---------------------------------------------------------------------------------------------------

std::int32_t transition_last_step(std::int32_t kind)
{
    return kind >= 0 && kind < kKindCount ? kLastSteps[kind] : 1;
}

TransitionStepResult transition_step(
    Surface& display, const Surface& staging, std::int32_t kind, std::int32_t step)
{
    Canvas canvas(display, staging);
    if (kind == 0) {
        canvas.copy_rect(kWholeScreen);
        return { true, kWholeScreen };
    }
    std::int32_t const last = transition_last_step(kind);
    if (step < 1 || step > last)
        return { step > last, {} };

    Rect area;
    switch (kind) {
    case 1:
        area = vertical_blinds(canvas, step);
        break;
    case 2:
        area = horizontal_blinds(canvas, step);
        break;
    case 3:
        area = staggered_vertical_blinds(canvas, step);
        break;
    case 4:
        area = staggered_horizontal_blinds(canvas, step);
        break;
    case 5:
        area = dissolve(canvas, kMatrixA, step);
        break;
    case 6:
        area = circle(canvas, step);
        break;
    case 7:
        area = dissolving_bands(canvas, step);
        break;
    case 8:
        area = dissolving_blocks(canvas, step);
        break;
    case 9:
        area = growing_frame(canvas, step);
        break;
    case 10:
    case 11: {
        // Kind 10: the triangle from the centre between the angles of steps k - 1 and k, 1/16 turn
        // apart, so that the sweep starts at 12 o'clock and goes clockwise. Kind 11: the outline runs
        // through the centre twice, as two opposite wedges of 1/32 turn that turn counterclockwise.
        // QUIRK: those two lines join corners rounded down, so they miss the centre by up to a pixel,
        // and three steps' wedges overlap on the six pixels of row 240 from x = 317 to 322. Copying a
        // pixel again changes nothing but the step at which it arrives.
        std::array<Point, 4> corners {};
        std::size_t count = 0;
        if (kind == 10) {
            corners
                = { Point { kCentreX, kCentreY }, angle_point((step - 1) * 256), angle_point(step * 256) };
            count = 3;
        } else {
            corners = { angle_point((20 - step) * 128), angle_point((21 - step) * 128),
                angle_point((37 - step) * 128), angle_point((36 - step) * 128) };
            count = 4;
        }
        PolygonRegion region;
        if (!region.create(std::span(corners.data(), count)))
            return { false, {} };
        canvas.copy_region(region);
        area = kWholeScreen;
        break;
    }
    case 12:
        area = dissolve(canvas, kMatrixC, step);
        break;
    case 13:
        area = dissolve(canvas, kMatrixD, step);
        break;
    case 14:
        area = interlaced_lines(canvas, step);
        break;
    case 15:
        area = dissolve(canvas, kMatrixE, step);
        break;
    default:
        // Numbers outside 0..15 show the picture whole, one pass late.
        canvas.copy_rect(kWholeScreen);
        area = kWholeScreen;
        break;
    }
    return { step == last, area };
}

void start_transition(GraphicsState& state, std::int32_t kind, std::int32_t wait, const Rect& changed)
{
    state.transition = { kind, 0, wait, Box::from_rect(changed) };
}

TransitionPass run_transition_pass(GraphicsState& state)
{
    TransitionState& transition = state.transition;
    auto const [done, area]
        = transition_step(state.display_surface, state.staging_surface, transition.kind, transition.step);
    Box const changed = Box::from_rect(area).intersection(transition.rect);
    if (!changed.empty()) {
        Rect const dirty = changed.rect();
        mark_dirty(state, dirty.x, dirty.y, dirty.w, dirty.h);
    }
    if (!done)
        ++transition.step;
    return { done, transition.wait > 0 ? static_cast<std::uint32_t>(transition.wait) : 0u };
}

} // namespace advplay::graphics
