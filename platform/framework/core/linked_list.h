// The doubly linked list behind CObList and CStringList.
//
// Nodes are allocated `block_size` at a time and recycled through a free list,
// so adding and removing many elements does not allocate once per element. A
// node's address never changes while it is in the list, which is what keeps a
// POSITION valid across inserts and removals elsewhere in the list.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "core/exceptions.h"
#include "core/position.h"

namespace fw {

template <typename T>
class LinkedList {
  public:
    struct Node : PositionBase {
        Node* next = nullptr;
        Node* prev = nullptr;
        T data{};
    };

    explicit LinkedList(INT_PTR block_size) : block_size_(block_size > 0 ? block_size : 10) {}
    LinkedList(const LinkedList&) = delete;
    LinkedList& operator=(const LinkedList&) = delete;

    INT_PTR Count() const { return count_; }
    Node* Head() const { return head_; }
    Node* Tail() const { return tail_; }

    // A POSITION back to its node; a null POSITION is a caller's mistake.
    static Node* NodeAt(POSITION position, const char* operation) {
        if (position == nullptr)
            AfxThrowInvalidArgException(std::string(operation) + ": null POSITION");
        return static_cast<Node*>(position);
    }

    Node* InsertAfter(Node* after, T value) {
        Node* node = NewNode(std::move(value));
        node->prev = after;
        node->next = after != nullptr ? after->next : head_;
        Link(node);
        return node;
    }

    Node* InsertBefore(Node* before, T value) {
        Node* node = NewNode(std::move(value));
        node->next = before;
        node->prev = before != nullptr ? before->prev : tail_;
        Link(node);
        return node;
    }

    // Unlinks the node and returns its value.
    T Remove(Node* node) {
        (node->prev != nullptr ? node->prev->next : head_) = node->next;
        (node->next != nullptr ? node->next->prev : tail_) = node->prev;
        T value = std::move(node->data);
        FreeNode(node);
        // An emptied list gives its blocks back, as a freshly made one has none.
        if (count_ == 0) Clear();
        return value;
    }

    void Clear() {
        head_ = tail_ = free_ = nullptr;
        count_ = 0;
        blocks_.clear();
    }

    Node* FindIndex(INT_PTR index) const {
        if (index < 0 || index >= count_) return nullptr;
        Node* node = head_;
        while (index-- > 0) node = node->next;
        return node;
    }

  private:
    void Link(Node* node) {
        (node->prev != nullptr ? node->prev->next : head_) = node;
        (node->next != nullptr ? node->next->prev : tail_) = node;
        ++count_;
    }

    Node* NewNode(T value) {
        if (free_ == nullptr) {
            blocks_.push_back(std::make_unique<Node[]>(static_cast<size_t>(block_size_)));
            Node* block = blocks_.back().get();
            for (INT_PTR i = block_size_; i-- > 0;) {
                block[i].next = free_;
                free_ = &block[i];
            }
        }
        Node* node = free_;
        free_ = free_->next;
        node->data = std::move(value);
        return node;
    }

    // Recycled nodes go back to the free list; their blocks are only released
    // by Clear(), because other nodes of the same block may still be in use.
    void FreeNode(Node* node) {
        node->data = T{};
        node->prev = nullptr;
        node->next = free_;
        free_ = node;
        --count_;
    }

    INT_PTR block_size_;
    INT_PTR count_ = 0;
    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    Node* free_ = nullptr;
    std::vector<std::unique_ptr<Node[]>> blocks_;
};

}  // namespace fw
