#pragma once

#include <cstdint>
#include <string>

#include "platform/window/Controls.h"
#include "tracklist/TrackListRows.h"

namespace corvid::ui {

// The list view's rows as the track list's walks read them: one at a time,
// so that following play touches the few rows it passes, not the whole list.
class ListViewRows final : public tracklist::RowReader {
  public:
    explicit ListViewRows(const window::ListView& list) : m_list(list) {}

    [[nodiscard]] int Count() const override { return m_list.ItemCount(); }
    [[nodiscard]] std::int32_t Key(int index) const override { return m_list.ItemData(index); }
    [[nodiscard]] std::string TimeText(int index) const override {
        return m_list.ItemText(index, 1);
    }

  private:
    const window::ListView& m_list;
};

}  // namespace corvid::ui
