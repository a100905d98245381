// Displayable.java - desktop test implementation.
package javax.microedition.lcdui;

public abstract class Displayable {
}
