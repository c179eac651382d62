// RUtilMap: the engine's ordered map, an AVL tree of RUtilMapNode records walked in key order with RUtilMapIter.
// The value type comes first: a map from Key to Value is RUtilMap<Value, Key>. The map owns its nodes and each
// node owns its subtrees; values and keys are held by copy. Keys order by RUtilMapKeyOrder: operator< by default
// (RHashedString ids as signed integers, unsigned numbers, pointers by address), strcmp for RString.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>

class RString;

// The key order of every find, insert and remove: negative, zero or positive.
template <typename Key> struct RUtilMapKeyOrder {
    static int Compare(const Key& a, const Key& b)
    {
        std::less<Key> less;
        return less(a, b) ? -1 : (less(b, a) ? 1 : 0);
    }
};

// Strings order by strcmp of their texts (byte order, case-sensitive).
template <> struct RUtilMapKeyOrder<RString> {
    template <typename S> static int Compare(const S& a, const S& b) { return std::strcmp(a.GetString(), b.GetString()); }
};

template <typename Value, typename Key> class RUtilMapNode {
public:
    RUtilMapNode(const Value& value, const Key& key) : value(value), key(key) {}
    // Destroys the subtrees, left then right.
    ~RUtilMapNode()
    {
        delete left;
        delete right;
    }
    RUtilMapNode(const RUtilMapNode&) = delete;
    RUtilMapNode& operator=(const RUtilMapNode&) = delete;

    static int Compare(const Key& a, const Key& b) { return RUtilMapKeyOrder<Key>::Compare(a, b); }

    // The node holding key in this subtree, or null.
    RUtilMapNode* find(const Key& searchKey)
    {
        RUtilMapNode* node = this;
        while (node) {
            int order = Compare(searchKey, node->key);
            if (order == 0)
                return node;
            node = order < 0 ? node->left : node->right;
        }
        return nullptr;
    }
    bool exists(const Key& searchKey) { return find(searchKey) != nullptr; }

    // Inserts or replaces key in this subtree and returns the subtree's new top. A new node's ancestors have
    // their heights refreshed bottom up until one keeps its height or one rotation restores it; *outAdded, when
    // given, tells whether a node was added.
    RUtilMapNode* insert(const Value& newValue, const Key& newKey, bool* outAdded = nullptr)
    {
        if (outAdded)
            *outAdded = false;
        RUtilMapNode* node = this;
        RUtilMapNode* added;
        for (;;) {
            int order = Compare(newKey, node->key);
            if (order == 0) {
                node->value = newValue;
                return this;
            }
            RUtilMapNode*& next = order < 0 ? node->left : node->right;
            if (!next) {
                added = next = new RUtilMapNode(newValue, newKey);
                added->parent = node;
                break;
            }
            node = next;
        }
        if (outAdded)
            *outAdded = true;
        for (RUtilMapNode* child = added; node != parent; child = node, node = node->parent) {
            int before = node->height();
            if (child == node->left)
                node->leftHeight = 1 + child->height();
            else
                node->rightHeight = 1 + child->height();
            int d = node->rightHeight - node->leftHeight;
            if (d == 2 || d == -2) {
                RUtilMapNode* top = node->balance();
                return node == this ? top : this;
            }
            if (node->height() == before)
                break;
        }
        return this;
    }

    // Refreshes this node's heights from its children (whose heights must be current) and rotates when one side
    // is two levels taller. Returns the node now at the top of this subtree.
    RUtilMapNode* balance()
    {
        updateHeights();
        int d = rightHeight - leftHeight;
        if (d == 2) {
            int rd = right->rightHeight - right->leftHeight;
            if (rd == -1) {
                right->rotateright();
                return rotateleft();
            }
            if (rd == 0 || rd == 1)
                return rotateleft();
        } else if (d == -2) {
            int ld = left->rightHeight - left->leftHeight;
            if (ld == 1) {
                left->rotateleft();
                return rotateright();
            }
            if (ld == 0 || ld == -1)
                return rotateright();
        }
        return this;
    }

    // Lifts the right child into this node's place (this node becomes its left child) and returns it; without
    // a right child, returns this node. The two moved nodes get their heights refreshed.
    RUtilMapNode* rotateleft()
    {
        RUtilMapNode* r = right;
        if (!r)
            return this;
        replaceInParent(r);
        right = r->left;
        if (right)
            right->parent = this;
        r->left = this;
        parent = r;
        updateHeights();
        r->updateHeights();
        return r;
    }

    // The mirror image of rotateleft.
    RUtilMapNode* rotateright()
    {
        RUtilMapNode* l = left;
        if (!l)
            return this;
        replaceInParent(l);
        left = l->right;
        if (left)
            left->parent = this;
        l->right = this;
        parent = l;
        updateHeights();
        l->updateHeights();
        return l;
    }

    // Recomputes every height in this subtree, children first, and returns the larger of this node's two.
    int HACK_calcheights()
    {
        leftHeight = left ? 1 + left->HACK_calcheights() : 0;
        rightHeight = right ? 1 + right->HACK_calcheights() : 0;
        return leftHeight > rightHeight ? leftHeight : rightHeight;
    }

    // The larger of the two side heights.
    int height() const { return leftHeight > rightHeight ? leftHeight : rightHeight; }

    Value value;
    Key key;
    RUtilMapNode* left = nullptr;
    RUtilMapNode* right = nullptr;
    RUtilMapNode* parent = nullptr;
    int32_t leftHeight = 0;   // 0 without a left child, else 1 + the child's height
    int32_t rightHeight = 0;  // the same on the right

private:
    void updateHeights()
    {
        leftHeight = left ? 1 + left->height() : 0;
        rightHeight = right ? 1 + right->height() : 0;
    }

    // Points this node's parent (when there is one) at replacement instead, and gives replacement that parent.
    void replaceInParent(RUtilMapNode* replacement)
    {
        replacement->parent = parent;
        if (parent) {
            if (parent->left == this)
                parent->left = replacement;
            else
                parent->right = replacement;
        }
    }
};

template <typename Value, typename Key> class RUtilMap;

// A position in a map's key order: a node, or one of two sentinels before the first and after the last entry.
// Valid while it is at a node; removing the node it is at (other than through removeAndStepBack) invalidates it.
template <typename Value, typename Key> class RUtilMapIter {
public:
    using Node = RUtilMapNode<Value, Key>;

    // At the leftmost (first) entry; invalid for an empty map.
    explicit RUtilMapIter(RUtilMap<Value, Key>& map) : m_current(map.getRoot()), m_map(&map)
    {
        if (m_current)
            m_current = leftmost(m_current);
    }

    static Node* BeforeFirst() { return reinterpret_cast<Node*>(~static_cast<uintptr_t>(0)); }
    static Node* PastEnd() { return reinterpret_cast<Node*>(~static_cast<uintptr_t>(1)); }

    bool isValid() const { return m_current && m_current != BeforeFirst() && m_current != PastEnd(); }
    // The current node, or null / a sentinel when invalid.
    Node* getNode() const { return m_current; }
    // Only on a valid iterator.
    const Key& getKey() const { return m_current->key; }
    Value& getValue() const { return m_current->value; }

    // To the next entry in key order; after the last, the past-the-end sentinel. From before-first, to the first
    // entry. Null and past-the-end stay where they are.
    void next()
    {
        if (!m_current || m_current == PastEnd())
            return;
        if (m_current == BeforeFirst()) {
            if (m_map->getRoot())
                m_current = leftmost(m_map->getRoot());
            return;
        }
        if (m_current->right) {
            m_current = leftmost(m_current->right);
            return;
        }
        const Key& key = m_current->key;
        Node* node = m_current->parent;
        while (node && Node::Compare(node->key, key) <= 0)
            node = node->parent;
        m_current = node ? node : PastEnd();
    }

    // The mirror image of next.
    void prev()
    {
        if (!m_current || m_current == BeforeFirst())
            return;
        if (m_current == PastEnd()) {
            if (m_map->getRoot())
                m_current = rightmost(m_map->getRoot());
            return;
        }
        if (m_current->left) {
            m_current = rightmost(m_current->left);
            return;
        }
        const Key& key = m_current->key;
        Node* node = m_current->parent;
        while (node && Node::Compare(node->key, key) >= 0)
            node = node->parent;
        m_current = node ? node : BeforeFirst();
    }

private:
    static Node* leftmost(Node* node)
    {
        while (node->left)
            node = node->left;
        return node;
    }
    static Node* rightmost(Node* node)
    {
        while (node->right)
            node = node->right;
        return node;
    }

    Node* m_current;
    RUtilMap<Value, Key>* m_map;
};

template <typename Value, typename Key> class RUtilMap {
public:
    using Node = RUtilMapNode<Value, Key>;
    using Iter = RUtilMapIter<Value, Key>;

    RUtilMap() = default;
    // Copies are deep; assigning clears this map and fills it from the other (CopyDataFrom).
    RUtilMap(const RUtilMap& other) { CopyDataFrom(other); }
    RUtilMap& operator=(const RUtilMap& other)
    {
        if (this != &other) {
            clear();
            CopyDataFrom(other);
        }
        return *this;
    }
    RUtilMap(RUtilMap&& other) noexcept : m_count(other.m_count), m_root(other.m_root)
    {
        other.m_count = 0;
        other.m_root = nullptr;
    }
    RUtilMap& operator=(RUtilMap&& other) noexcept
    {
        if (this != &other) {
            clear();
            m_count = other.m_count;
            m_root = other.m_root;
            other.m_count = 0;
            other.m_root = nullptr;
        }
        return *this;
    }
    ~RUtilMap() { clear(); }

    int32_t getCount() const { return m_count; }
    Node* getRoot() const { return m_root; }

    // The node holding key, or null.
    Node* find(const Key& key) const { return m_root ? m_root->find(key) : nullptr; }
    bool exists(const Key& key) const { return find(key) != nullptr; }

    // The value of key; an absent key is first inserted with a default-constructed value.
    Value& operator[](const Key& key)
    {
        Node* node = find(key);
        if (!node) {
            insert(Value(), key);
            node = find(key);
        }
        return node->value;
    }

    // Inserts key with a copy of value, or replaces the value of an existing key (keeping its node).
    void insert(const Value& value, const Key& key)
    {
        if (!m_root) {
            m_root = new Node(value, key);
            m_count = 1;
            return;
        }
        bool added = false;
        m_root = m_root->insert(value, key, &added);
        if (added)
            ++m_count;
    }

    // Takes key out; nothing when absent.
    void remove(const Key& key)
    {
        Node* doomed = findDeleteNode(key);
        if (!doomed)
            return;
        --m_count;

        Node* rebalanceFrom;
        if (!doomed->left && !doomed->right) {
            relink(doomed, nullptr);
            rebalanceFrom = doomed->parent;
        } else {
            Node* replacement = doomed->left ? rightmostOf(doomed->left) : leftmostOf(doomed->right);
            Node* formerParent = replacement->parent;
            if (formerParent != doomed) {
                Node* child = replacement->left ? replacement->left : replacement->right;
                relink(replacement, child);
            }
            relink(doomed, replacement);
            if (doomed->left != replacement) {
                replacement->left = doomed->left;
                if (replacement->left)
                    replacement->left->parent = replacement;
            }
            if (doomed->right != replacement) {
                replacement->right = doomed->right;
                if (replacement->right)
                    replacement->right->parent = replacement;
            }
            rebalanceFrom = formerParent == doomed ? replacement : formerParent;
        }
        doomed->left = nullptr;
        doomed->right = nullptr;
        delete doomed;

        for (Node* node = rebalanceFrom; node;) {
            m_root = node->balance();
            node = m_root->parent;
        }
        if (m_count == 0)
            m_root = nullptr;
    }

    // Removes the iterator's entry and steps the iterator back to the entry before it (or the before-first
    // sentinel), so that a loop may go on with next. Nothing when the iterator is invalid.
    void removeAndStepBack(Iter& iter)
    {
        if (!iter.isValid())
            return;
        Key key = iter.getKey();
        iter.prev();
        remove(key);
    }

    // Destroys every node.
    void clear()
    {
        delete m_root;
        m_root = nullptr;
        m_count = 0;
    }

    // Inserts every entry of other, in key order; existing keys take other's values, nothing is removed.
    void CopyDataFrom(const RUtilMap& other)
    {
        if (this == &other)
            return;
        for (Iter iter(const_cast<RUtilMap&>(other)); iter.isValid(); iter.next())
            insert(iter.getValue(), iter.getKey());
    }

private:
    Node* findDeleteNode(const Key& key) const { return find(key); }

    static Node* leftmostOf(Node* node)
    {
        while (node->left)
            node = node->left;
        return node;
    }
    static Node* rightmostOf(Node* node)
    {
        while (node->right)
            node = node->right;
        return node;
    }

    // Puts replacement (possibly null) where node hangs under its parent, or at the root.
    void relink(Node* node, Node* replacement)
    {
        Node* parent = node->parent;
        if (replacement)
            replacement->parent = parent;
        if (!parent)
            m_root = replacement;
        else if (parent->left == node)
            parent->left = replacement;
        else
            parent->right = replacement;
    }

    int32_t m_count = 0;
    Node* m_root = nullptr;
};
