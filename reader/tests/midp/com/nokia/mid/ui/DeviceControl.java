// DeviceControl.java - desktop test implementation recording every call.
package com.nokia.mid.ui;

import java.util.ArrayList;
import java.util.List;

public class DeviceControl {
    public static final List<String> calls = new ArrayList<>();

    public static void setLights(int num, int level) { calls.add("setLights(" + num + ", " + level + ")"); }
}
