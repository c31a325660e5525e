// The framework's typed pointer list: a doubly linked list whose positions are its nodes, so they stay valid
// while other entries are added or removed.
#pragma once

#include "Object.h"

typedef void *POSITION;

class CObList {};

template <class BASE_CLASS, class TYPE> class CTypedPtrList {
public:
    explicit CTypedPtrList(int nBlockSize = 10) { (void)nBlockSize; }
    ~CTypedPtrList() { RemoveAll(); }
    CTypedPtrList(const CTypedPtrList &) = delete;
    CTypedPtrList &operator=(const CTypedPtrList &) = delete;

    int GetCount() const { return m_nCount; }
    BOOL IsEmpty() const { return m_nCount == 0; }
    TYPE &GetHead() { return m_pHead->data; }
    TYPE &GetTail() { return m_pTail->data; }
    POSITION AddHead(TYPE p)
    {
        Node *n = new Node{nullptr, m_pHead, p};
        if (m_pHead)
            m_pHead->prev = n;
        else
            m_pTail = n;
        m_pHead = n;
        ++m_nCount;
        return n;
    }
    POSITION AddTail(TYPE p)
    {
        Node *n = new Node{m_pTail, nullptr, p};
        if (m_pTail)
            m_pTail->next = n;
        else
            m_pHead = n;
        m_pTail = n;
        ++m_nCount;
        return n;
    }
    TYPE RemoveHead()
    {
        TYPE p = m_pHead->data;
        RemoveAt(m_pHead);
        return p;
    }
    TYPE RemoveTail()
    {
        TYPE p = m_pTail->data;
        RemoveAt(m_pTail);
        return p;
    }
    void RemoveAll()
    {
        while (m_pHead)
            RemoveAt(m_pHead);
    }
    POSITION GetHeadPosition() const { return m_pHead; }
    POSITION GetTailPosition() const { return m_pTail; }
    // Returns the entry at rPosition and moves rPosition to the next one (null at the end).
    TYPE &GetNext(POSITION &rPosition)
    {
        Node *n = static_cast<Node *>(rPosition);
        rPosition = n->next;
        return n->data;
    }
    TYPE &GetAt(POSITION position) { return static_cast<Node *>(position)->data; }
    void RemoveAt(POSITION position)
    {
        Node *n = static_cast<Node *>(position);
        (n->prev ? n->prev->next : m_pHead) = n->next;
        (n->next ? n->next->prev : m_pTail) = n->prev;
        delete n;
        --m_nCount;
    }
    // Position of the nIndex-th entry from the head; null outside the list.
    POSITION FindIndex(int nIndex) const
    {
        if (nIndex < 0 || nIndex >= m_nCount)
            return nullptr;
        Node *n = m_pHead;
        while (nIndex-- > 0)
            n = n->next;
        return n;
    }
    POSITION InsertBefore(POSITION position, TYPE p)
    {
        Node *at = static_cast<Node *>(position);
        if (!at)
            return AddHead(p);
        Node *n = new Node{at->prev, at, p};
        (at->prev ? at->prev->next : m_pHead) = n;
        at->prev = n;
        ++m_nCount;
        return n;
    }
    POSITION Find(TYPE p) const
    {
        for (Node *n = m_pHead; n; n = n->next)
            if (n->data == p)
                return n;
        return nullptr;
    }

private:
    struct Node {
        Node *prev;
        Node *next;
        TYPE data;
    };
    Node *m_pHead = nullptr;
    Node *m_pTail = nullptr;
    int m_nCount = 0;
};
