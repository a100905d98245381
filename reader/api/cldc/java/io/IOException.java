// IOException.java - CLDC 1.0, signatures only.
package java.io;

public class IOException extends Exception {
    public IOException() {}
    public IOException(String s) {}
}
