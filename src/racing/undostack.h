#pragma once

#include <deque>
#include <optional>
#include <utility>

// Undo and redo over whole snapshots of a table and what belongs to it. The
// caller records the state before each change; undoing hands back the state
// to restore and keeps the current one for redo. A new change drops the redo
// steps; beyond the limit the oldest step is forgotten.
template <typename State> class UndoStack {
public:
    static constexpr int kDefaultLimit = 100;

    explicit UndoStack(int limit = kDefaultLimit)
        : m_limit(limit)
    {
    }

    void record(State before)
    {
        m_undo.push_back(std::move(before));
        while (int(m_undo.size()) > m_limit)
            m_undo.pop_front();
        m_redo.clear();
    }

    std::optional<State> undo(State current) { return step(m_undo, m_redo, std::move(current)); }
    std::optional<State> redo(State current) { return step(m_redo, m_undo, std::move(current)); }

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    int undoSteps() const { return int(m_undo.size()); }
    int redoSteps() const { return int(m_redo.size()); }

private:
    static std::optional<State> step(std::deque<State>& from, std::deque<State>& to, State current)
    {
        if (from.empty())
            return std::nullopt;
        to.push_back(std::move(current));
        State restored = std::move(from.back());
        from.pop_back();
        return restored;
    }

    int m_limit;
    std::deque<State> m_undo;
    std::deque<State> m_redo;
};
