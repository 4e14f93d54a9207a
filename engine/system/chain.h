#pragma once

// Drivers, loaders and stream factories keep themselves in lists linked
// through their `_succ` field: a new one goes to the head, so the newest is
// asked first, and one that is destroyed takes itself out.
template <class T>
void LinkAtHead(T*& head, T* node) {
  node->_succ = head;
  head = node;
}

template <class T>
void Unlink(T*& head, T* node) {
  for (T** link = &head; *link; link = &(*link)->_succ) {
    if (*link == node) {
      *link = node->_succ;
      return;
    }
  }
}
