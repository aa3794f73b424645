#pragma once
// Handles share one immutable frame record; copying a handle copies a reference.

#include <memory>

namespace Leap {
namespace detail {
struct FrameData;
using FrameRef = std::shared_ptr<const FrameData>;

// Index-based iterator shared by the list handles.
template <typename List, typename Item> class ListIterator {
public:
    ListIterator(const List& list, int index) : m_list(&list), m_index(index) {}
    Item operator*() const { return (*m_list)[m_index]; }
    ListIterator& operator++() { ++m_index; return *this; }
    bool operator==(const ListIterator& o) const { return m_index == o.m_index; }
    bool operator!=(const ListIterator& o) const { return m_index != o.m_index; }

private:
    const List* m_list;
    int m_index;
};
} // namespace detail
} // namespace Leap
