// Display.java - desktop test implementation: one display whose current screen tests read.
package javax.microedition.lcdui;

import javax.microedition.midlet.MIDlet;

public class Display {
    public static Displayable current;
    private static final Display display = new Display();

    public static Display getDisplay(MIDlet m) { return display; }
    public void setCurrent(Displayable next) { current = next; }
}
