// Objects handed out for handles that no object owns, such as another window or the window menu.
#pragma once

#include <map>
#include <memory>

// A temporary never owns its handle: it is let go before the object is deleted.
template <class Object, class Handle, Handle Object::*pHandle>
class CTempHandleMap {
public:
    static Object* FromHandle(Handle handle)
    {
        if (handle == nullptr)
            return nullptr;
        std::unique_ptr<Object>& temporary = Map()[handle];
        if (!temporary) {
            temporary = std::make_unique<Object>();
            (*temporary).*pHandle = handle;
        }
        return temporary.get();
    }

    // Called when the message queue is idle: nobody holds a temporary then.
    static void DeleteAll()
    {
        for (auto& entry : Map())
            (*entry.second).*pHandle = nullptr;
        Map().clear();
    }

private:
    static std::map<Handle, std::unique_ptr<Object>>& Map()
    {
        static std::map<Handle, std::unique_ptr<Object>> map;
        return map;
    }
};
