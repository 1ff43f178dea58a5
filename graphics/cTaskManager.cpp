#include "graphics/cTaskManager.h"

#include <cmath>
#include <utility>

cTaskManager::~cTaskManager() {
    // A task's destructor may add tasks of its own; they are deleted too.
    while (!activeTasks.empty() || !pendingTasks.empty()) {
        std::vector<cTask*> active = std::move(activeTasks);
        std::vector<cTask*> pending = std::move(pendingTasks);
        activeTasks.clear();
        pendingTasks.clear();
        for (cTask* task : active) delete task;
        for (cTask* task : pending) delete task;
    }
}

void cTaskManager::AddTask(cTask* task) {
    if (task) pendingTasks.push_back(task);
}

void cTaskManager::RunTasks() {
    if (!pendingTasks.empty()) {
        activeTasks.insert(activeTasks.end(), pendingTasks.begin(), pendingTasks.end());
        pendingTasks.clear();
    }
    // A task added during the walk lands in pendingTasks and waits for the next call.
    size_t i = 0;
    while (i < activeTasks.size()) {
        cTask* task = activeTasks[i];
        if (task->Run()) {
            ++i;
        } else {
            delete task;
            activeTasks.erase(activeTasks.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
}

cMeshManager::~cMeshManager() {
    for (auto& entry : meshes) {
        cMeshRecord* record = entry.second;
        if (!record) continue;
        for (Texture*& texture : record->textures) {
            if (texture) ReleaseTexture(texture);
            texture = nullptr;
        }
        record->textures.clear();
        record->materials.clear();
        if (record->mesh) record->mesh->Release();
        record->mesh = nullptr;
        delete record;
    }
    meshes.clear();
}

int NextCombGap(int gap) {
    int next = (gap * 10 + 3) / 13;
    if (next < 1) {
        next = 1;
    } else if (next == 9 || next == 10) {
        next = 11;
    }
    return next;
}

namespace {

float DistanceFromOrigin(c3DMetaObject* object) {
    const float* p = object->GetPosition();
    if (!p) return 0.0f;
    return std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
}

}  // namespace

void SortByDistance(DrawList3D::iterator first, DrawList3D::iterator last) {
    const std::ptrdiff_t n = last - first;
    if (n <= 0) return;
    int gap = static_cast<int>(n);
    bool swapped = false;
    do {
        const int newGap = NextCombGap(gap);
        swapped = false;
        if (newGap < n) {
            for (auto i = first, j = first + newGap; j != last; ++i, ++j) {
                c3DMetaObject* a = *j;
                c3DMetaObject* b = *i;
                if (!a || !b) continue;
                // The farther object moves to the front.
                if (DistanceFromOrigin(a) > DistanceFromOrigin(b)) {
                    std::swap(*i, *j);
                    swapped = true;
                }
            }
        }
        gap = newGap;
    } while (gap > 1 || swapped);
}
