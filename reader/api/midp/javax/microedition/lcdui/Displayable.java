// Displayable.java - MIDP 1.0, signatures only.
package javax.microedition.lcdui;

public abstract class Displayable {
    Displayable() {}
    public boolean isShown() { return false; }
    public void addCommand(Command cmd) {}
    public void removeCommand(Command cmd) {}
    public void setCommandListener(CommandListener l) {}
}
