// The draw lists: sequences of display objects that the frame pass draws from
// first to last. The lists never own what they point to.
#pragma once

#include <algorithm>
#include <vector>

class c2DMetaObject;
struct cCamera;

// What an element of `drawList3D` provides. Nothing in the game implements it.
class c3DMetaObject {
public:
    virtual ~c3DMetaObject() = default;
    // Draws the object as seen by `camera`.
    virtual void Draw(cCamera* camera) = 0;
    // The object's world position: x, y, z.
    virtual float* GetPosition() = 0;
};

template <class T>
using DrawList = std::vector<T*>;
using DrawList2D = DrawList<c2DMetaObject>;
using DrawList3D = DrawList<c3DMetaObject>;

template <class T>
struct DrawListElement {
    using type = T;
};

// Appends `object` at the end of the list.
template <class T>
void AddToDrawList(DrawList<T>& list, typename DrawListElement<T>::type* object) {
    list.push_back(object);
}

// Removes every element that holds `object` (a pointer added twice goes twice);
// the others keep their order and the object itself is left alone.
template <class T>
void RemoveFromDrawList(DrawList<T>& list, const typename DrawListElement<T>::type* object) {
    list.erase(std::remove(list.begin(), list.end(), object), list.end());
}

// The comb sort's next gap: (gap * 10 + 3) / 13, at least 1, and 11 in place of 9 or 10.
int NextCombGap(int gap);

// Sorts [first, last) far to near by distance from the world origin, so that the
// nearest object is drawn last. A comb sort; objects at equal distance are never
// exchanged with each other, and null elements are never exchanged.
void SortByDistance(DrawList3D::iterator first, DrawList3D::iterator last);
